# The Windows build (the `windows` preset, cross-compiled with MinGW-w64, see
# MinGW-w64.cmake): the platform's Windows folder and its tests. The windows (Qt Widgets),
# the simulated board's window, the uhid board, the Debian package and the device VM's
# tests are Linux-only and stay out. Tests run under Wine as CMake's cross-compiling
# emulator, with the label `windows`.

if(NOT MINGW)
  message(FATAL_ERROR "The Windows build is made with MinGW-w64: cmake --preset windows")
endif()
# No Qt in this build: nothing for moc to do.
set(CMAKE_AUTOMOC OFF)

# The system's part of the core: the HID class driver, the setup API, Win32 files and console.
file(GLOB TARVIK_PLATFORM_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/platform/windows/*.cpp)
add_library(tarvik_platform STATIC ${TARVIK_PLATFORM_SOURCES})
target_include_directories(tarvik_platform PUBLIC ${PROJECT_SOURCE_DIR})
target_compile_options(tarvik_platform PRIVATE ${TARVIK_WARNINGS})
# The Win32 calls are the wide ones throughout, and windows.h brings no min/max macros.
target_compile_definitions(tarvik_platform PUBLIC UNICODE _UNICODE NOMINMAX _WIN32_WINNT=0x0A00)
target_link_libraries(tarvik_platform PUBLIC hid setupapi cfgmgr32)

include(CTest)
if(BUILD_TESTING)
  include(cmake/WindowsTests.cmake)
  add_subdirectory(tests/platform/windows)
endif()

if(TARGET tarvik-cli)
  include(cmake/WindowsPackage.cmake)
endif()
