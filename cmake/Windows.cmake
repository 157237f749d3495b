# The Windows build (the `windows` preset, cross-compiled with MinGW-w64, see
# MinGW-w64.cmake): the core with the platform's Windows folder, tarvik-cli, the windows
# (tarvik and tarvik-sim) where Qt for Windows is found, their tests and the installer. The
# uhid board, the Debian package and the device VM's tests are Linux-only and stay out.
# Tests run under Wine as CMake's cross-compiling emulator, with the label `windows`.

# The windows need Qt for Windows: in a cross build the one scripts/build-qt-windows makes
# (TARVIK_QT_WINDOWS, its folder), with the host's Qt of the same version for moc, rcc and
# uic; on Windows itself the one installed there. Without it the windows are left out.
set(TARVIK_QT_WINDOWS "" CACHE PATH "Qt built for Windows (scripts/build-qt-windows); empty: look for an installed one")
if(CMAKE_CROSSCOMPILING AND TARVIK_QT_WINDOWS)
  list(APPEND CMAKE_FIND_ROOT_PATH ${TARVIK_QT_WINDOWS})
  list(APPEND CMAKE_PREFIX_PATH ${TARVIK_QT_WINDOWS})
  set(QT_HOST_PATH /usr)
  execute_process(COMMAND dpkg-architecture -qDEB_HOST_MULTIARCH OUTPUT_VARIABLE host_multiarch OUTPUT_STRIP_TRAILING_WHITESPACE)
  set(QT_HOST_PATH_CMAKE_DIR /usr/lib/${host_multiarch}/cmake)
endif()
if(NOT CMAKE_CROSSCOMPILING OR TARVIK_QT_WINDOWS)
  find_package(Qt6 COMPONENTS Core Gui Widgets OpenGL OpenGLWidgets Test)
endif()
if(Qt6_FOUND)
  set(TARVIK_WINDOWS_UI ON)
  message(STATUS "The windows: Qt ${Qt6_VERSION} from ${Qt6_DIR}")
else()
  set(TARVIK_WINDOWS_UI OFF)
  set(CMAKE_AUTOMOC OFF)
  message(STATUS "The windows are left out: no Qt for Windows (scripts/build-qt-windows builds one)")
endif()
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

set_target_properties(tarvik_core PROPERTIES AUTOMOC OFF)

add_subdirectory(platform)
add_subdirectory(link)
add_subdirectory(pins)
add_subdirectory(board)
add_subdirectory(boards)
add_subdirectory(sim)
add_subdirectory(cli)

if(TARVIK_WINDOWS_UI)
  # The windows, on top of the core, from the same folders as on Linux.
  find_package(OpenGL REQUIRED COMPONENTS OpenGL)
  add_library(tarvik_ui STATIC)
  target_compile_options(tarvik_ui PRIVATE ${TARVIK_WARNINGS})
  target_compile_definitions(tarvik_ui PRIVATE UNICODE _UNICODE NOMINMAX)
  target_link_libraries(tarvik_ui PUBLIC tarvik_core Qt6::Widgets Qt6::OpenGL Qt6::OpenGLWidgets OpenGL::GL)
  foreach(folder scene res devicewatch dialog view boardtest simwindow app)
    add_subdirectory(${folder})
  endforeach()

  # Windowed programs: no console opens beside them.
  add_executable(tarvik WIN32 app/main.cpp)
  add_executable(tarvik-sim WIN32 simwindow/main.cpp)
  foreach(program tarvik tarvik-sim)
    target_compile_options(${program} PRIVATE ${TARVIK_WARNINGS})
    target_link_libraries(${program} PRIVATE tarvik_ui)
    tarvik_install_program(${program} "")
  endforeach()

  if(CMAKE_CROSSCOMPILING)
    # What the windows need beside them at run time, in one folder: Qt's libraries, its
    # platform and style plugins, and the MinGW C++ runtime Qt was built with. The tests reach
    # it through Wine's PATH; the installer puts it beside the programs, where Qt looks for
    # its plugins first.
    set(TARVIK_WINDOWS_RUNTIME ${PROJECT_BINARY_DIR}/runtime)
    file(REMOVE_RECURSE ${TARVIK_WINDOWS_RUNTIME})
    file(GLOB qt_libraries ${TARVIK_QT_WINDOWS}/bin/Qt6*.dll)
    set(mingw_libraries)
    foreach(library libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
      execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${library}
                      OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
      if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
        message(FATAL_ERROR "${library}, which Qt for Windows needs, is not found beside ${CMAKE_CXX_COMPILER}")
      endif()
      list(APPEND mingw_libraries ${path})
    endforeach()
    file(COPY ${qt_libraries} ${mingw_libraries} DESTINATION ${TARVIK_WINDOWS_RUNTIME})
    file(COPY ${TARVIK_QT_WINDOWS}/plugins/platforms ${TARVIK_QT_WINDOWS}/plugins/styles
         DESTINATION ${TARVIK_WINDOWS_RUNTIME} FILES_MATCHING PATTERN "*.dll")
    # The test library stays out of the installer.
    install(DIRECTORY ${TARVIK_WINDOWS_RUNTIME}/ DESTINATION . PATTERN Qt6Test.dll EXCLUDE)
  endif()
endif()

include(CTest)
if(BUILD_TESTING)
  include(cmake/WindowsTests.cmake)
endif()

include(cmake/WindowsPackage.cmake)
