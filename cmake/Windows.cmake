# The Windows build (the `windows` preset, cross-compiled with MinGW-w64, see
# MinGW-w64.cmake): the core with the platform's Windows folder, tarvik-cli, their tests and
# the installer. The windows (Qt Widgets), the simulated board's window, the uhid board, the
# Debian package and the device VM's tests are Linux-only and stay out; so does scene/, whose
# picture a program of the build draws while building, and which only the windows use.
# Tests run under Wine as CMake's cross-compiling emulator, with the label `windows`.

# No Qt in this build: nothing for moc to do.
set(CMAKE_AUTOMOC OFF)
if(MSVC)
  # The project's warnings are GCC's; Visual C++ gets its own set, and reads the sources as
  # the UTF-8 they are.
  set(TARVIK_WARNINGS /W4 /permissive- /utf-8)
endif()

if(CMAKE_CROSSCOMPILING)
  # Header-only libraries of the host serve the cross build as well. Their headers come from
  # a folder holding links to them alone, so that the host's C library headers never mix in.
  set(TARVIK_HOST_HEADERS ${PROJECT_BINARY_DIR}/host-headers)
  set(TARVIK_HOST_PACKAGES ${PROJECT_BINARY_DIR}/host-packages)
  foreach(package IN ITEMS "CLI11 CLI11::CLI11 CLI libcli11-dev"
                           "nlohmann_json nlohmann_json::nlohmann_json nlohmann nlohmann-json3-dev")
    separate_arguments(package)
    list(GET package 0 name)
    list(GET package 1 target)
    list(GET package 2 folder)
    list(GET package 3 debian)
    if(NOT EXISTS /usr/include/${folder})
      message(FATAL_ERROR "/usr/include/${folder} is missing: install ${debian} (scripts/setup does)")
    endif()
    file(MAKE_DIRECTORY ${TARVIK_HOST_HEADERS})
    file(CREATE_LINK /usr/include/${folder} ${TARVIK_HOST_HEADERS}/${folder} SYMBOLIC)
    file(WRITE ${TARVIK_HOST_PACKAGES}/${name}/${name}Config.cmake
         "if(NOT TARGET ${target})
  add_library(${target} INTERFACE IMPORTED)
  set_target_properties(${target} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${TARVIK_HOST_HEADERS})
endif()
")
    set(${name}_DIR ${TARVIK_HOST_PACKAGES}/${name} CACHE PATH "" FORCE)
  endforeach()
endif()

include(cmake/Wine.cmake)

# A program joins the installer through tarvik_install_program, as on Linux; its manual page
# there is made by WindowsPackage.cmake.
function(tarvik_install_program target summary)
  install(TARGETS ${target} RUNTIME DESTINATION .)
endfunction()

add_library(tarvik_core STATIC)
target_include_directories(tarvik_core PUBLIC ${PROJECT_SOURCE_DIR})
target_compile_options(tarvik_core PRIVATE ${TARVIK_WARNINGS})
target_link_libraries(tarvik_core PUBLIC tarvik_platform)

add_subdirectory(platform)
add_subdirectory(link)
add_subdirectory(pins)
add_subdirectory(board)
add_subdirectory(boards)
add_subdirectory(sim)
add_subdirectory(cli)

include(CTest)
if(BUILD_TESTING)
  include(cmake/WindowsTests.cmake)
endif()

include(cmake/WindowsPackage.cmake)
