# Tests of the Windows build, run under Wine in a cross build. GoogleTest is built here from
# Debian's source package (googletest) when cross-compiling, as the host's libraries are
# Linux ones; on Windows itself it is the one installed there.
if(CMAKE_CROSSCOMPILING)
  add_subdirectory(/usr/src/googletest ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
else()
  find_package(GTest REQUIRED)
endif()

if(NOT CMAKE_CROSSCOMPILING)
  # Nothing to prepare: the tests run as they are.
elseif(TARVIK_WINDOWS_PROGRAMS_RUN)
  # Wine's first start now and then stops half-way ("could not load kernel32.dll") and leaves a
  # prefix that never starts again: that prefix is made again from nothing, once.
  add_test(NAME windows_wine_prefix
           COMMAND sh -c "\"$@\" wineboot --init && exit 0; echo 'Wine left its prefix half made; making it again'; rm -rf '${TARVIK_WINE_PREFIX}'; exec \"$@\" wineboot --init"
                   make-prefix ${CMAKE_CROSSCOMPILING_EMULATOR})
  set_tests_properties(windows_wine_prefix PROPERTIES FIXTURES_SETUP wine LABELS windows TIMEOUT 300)
  # Wine's server and services outlive the last program by a few seconds; the run waits for
  # them to end, so that nothing of Wine stays behind it.
  add_test(NAME windows_wine_stop COMMAND ${CMAKE_COMMAND} -E env ${TARVIK_WINE_ENV} ${TARVIK_WINESERVER} --wait)
  set_tests_properties(windows_wine_stop PROPERTIES FIXTURES_CLEANUP wine LABELS windows)
else()
  # Without Wine the programs are built all the same; their tests say why they did not run.
  add_test(NAME windows_tests COMMAND ${CMAKE_COMMAND} -E echo "skipped: Wine (wine64) not found; scripts/setup installs it")
  set_tests_properties(windows_tests PROPERTIES LABELS windows SKIP_REGULAR_EXPRESSION "skipped:")
endif()

# The device VM's case: tarvik-cli.exe under Wine in the VM, against the virtual board on a real
# kernel. The VM, its kernel and the board come from a Linux build of the same sources, named by
# TARVIK_LINUX_BUILD; without it, without Wine or where the VM cannot run, the case says why
# it was skipped. One VM at a time, and started first: it keeps a core busy for minutes.
if(CMAKE_CROSSCOMPILING)
  set(TARVIK_LINUX_BUILD "" CACHE PATH
      "A Linux build of these sources (the default preset's) whose device VM runs the Windows build's device case")
  set(linux_build "${TARVIK_LINUX_BUILD}")
  if(linux_build)
    cmake_path(ABSOLUTE_PATH linux_build BASE_DIRECTORY ${PROJECT_SOURCE_DIR} NORMALIZE)
  endif()
  add_test(NAME windows_device_vm
    COMMAND ${PROJECT_SOURCE_DIR}/tests/vm/run-windows-vm ${PROJECT_SOURCE_DIR} "${linux_build}" ${PROJECT_BINARY_DIR}
            $<TARGET_FILE:tarvik-cli> "${TARVIK_WINE}" "${TARVIK_WINESERVER}")
  set_tests_properties(windows_device_vm PROPERTIES LABELS "windows;vm" SKIP_RETURN_CODE 77 TIMEOUT 600 COST 10000
                       RESOURCE_LOCK device_vm)
endif()

# tarvik_windows_test(<target>): runs a test program (a GoogleTest suite runs all its cases
# in one process, so Wine starts once per suite).
function(tarvik_windows_test target)
  if(TARVIK_WINDOWS_PROGRAMS_RUN)
    add_test(NAME ${target} COMMAND ${target} --gtest_brief=1)
    # A suite passes by its summary, not by its exit status alone: one that ended on the way
    # (a stray Ctrl-C, a crash that Wine reports as 0) prints none.
    set_tests_properties(${target} PROPERTIES LABELS windows TIMEOUT 600
                         PASS_REGULAR_EXPRESSION "\\[  PASSED  \\] [0-9]+ tests?\\."
                         FAIL_REGULAR_EXPRESSION "\\[  FAILED  \\]")
    if(CMAKE_CROSSCOMPILING)
      set_tests_properties(${target} PROPERTIES FIXTURES_REQUIRED wine)
    endif()
  endif()
endfunction()

# The suites of the core, from the same folders and files as on Linux.
set(TARVIK_FIXTURE_DIR ${PROJECT_SOURCE_DIR}/tests/fixtures)
add_library(tarvik_core_test_support INTERFACE)
target_include_directories(tarvik_core_test_support INTERFACE ${PROJECT_SOURCE_DIR}/tests)
target_link_libraries(tarvik_core_test_support INTERFACE tarvik_core GTest::gtest GTest::gtest_main)

function(tarvik_add_core_gtest name)
  add_executable(${name} ${ARGN})
  target_compile_options(${name} PRIVATE ${TARVIK_WARNINGS})
  target_link_libraries(${name} PRIVATE tarvik_core_test_support GTest::gmock)
  tarvik_windows_test(${name})
endfunction()

foreach(folder platform link pins board boards cli)
  add_subdirectory(tests/${folder})
endforeach()

if(NOT TARVIK_WINDOWS_UI)
  return()
endif()

# The suites of the windows, labelled wine-window: they need a display, which Wine draws on
# through X, with a window manager (scripts/test-windows runs them so). They are built into a
# folder of their own that holds what the installer puts beside the programs (links into the
# runtime folder): Qt's libraries and its platform plugin are found there as on a user's
# machine. Qt for Windows is told nothing of the host's Qt settings (QT_QPA_PLATFORM=xcb
# would ask it for a plugin it does not have).
add_library(tarvik_test_support STATIC tests/support/TestMain.cpp)
target_include_directories(tarvik_test_support PUBLIC ${PROJECT_SOURCE_DIR}/tests)
target_compile_options(tarvik_test_support PRIVATE ${TARVIK_WARNINGS})
target_link_libraries(tarvik_test_support PUBLIC tarvik_ui GTest::gtest Qt6::Test)

set(TARVIK_WINDOW_TESTS ${PROJECT_BINARY_DIR}/window-tests)
if(CMAKE_CROSSCOMPILING)
  file(MAKE_DIRECTORY ${TARVIK_WINDOW_TESTS})
  file(GLOB runtime_entries RELATIVE ${TARVIK_WINDOWS_RUNTIME} ${TARVIK_WINDOWS_RUNTIME}/*)
  foreach(entry IN LISTS runtime_entries)
    file(CREATE_LINK ${TARVIK_WINDOWS_RUNTIME}/${entry} ${TARVIK_WINDOW_TESTS}/${entry} SYMBOLIC)
  endforeach()
endif()

function(tarvik_add_gtest name)
  add_executable(${name} ${ARGN})
  target_compile_options(${name} PRIVATE ${TARVIK_WARNINGS})
  target_link_libraries(${name} PRIVATE tarvik_test_support GTest::gtest GTest::gmock)
  if(NOT TARVIK_WINDOWS_PROGRAMS_RUN)
    return()
  endif()
  # A folder's TARVIK_WINDOWS_TEST_FILTER leaves out the cases that cannot run under Wine.
  set(filter "${TARVIK_WINDOWS_TEST_FILTER}")
  if(NOT filter)
    set(filter "*")
  endif()
  if(CMAKE_CROSSCOMPILING)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${TARVIK_WINDOW_TESTS})
    add_test(NAME ${name}
             COMMAND sh -c "[ -n \"$DISPLAY\" ] || { echo 'skipped: no display for the windows (scripts/test starts Xvfb)'; exit 0; }; exec \"$@\""
                     window-test ${CMAKE_COMMAND} -E env --unset=QT_QPA_PLATFORM --unset=QT_PLUGIN_PATH ${TARVIK_WINE_ENV}
                     ${TARVIK_WINE} $<TARGET_FILE:${name}> --gtest_brief=1 --gtest_filter=${filter})
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED "wine;wine_desktop" SKIP_REGULAR_EXPRESSION "skipped:")
  else()
    add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  endif()
  # A suite takes seconds; a Qt that cannot start shows a message box and waits for it.
  # One suite at a time on the display: the suites' windows take the focus and grab the screen.
  set_tests_properties(${name} PROPERTIES LABELS "windows;wine-window" TIMEOUT 300 RESOURCE_LOCK wine_display
                       PASS_REGULAR_EXPRESSION "\\[  PASSED  \\] [0-9]+ tests?\\."
                       FAIL_REGULAR_EXPRESSION "\\[  FAILED  \\]")
endfunction()

foreach(folder devicewatch dialog view boardtest app simwindow)
  add_subdirectory(tests/${folder})
endforeach()

if(CMAKE_CROSSCOMPILING AND TARVIK_WINDOWS_PROGRAMS_RUN)
  # Wine's desktop process starts with the first program that opens a window, and keeps the
  # standard output of that program open as long as it runs: started by a suite, it would
  # keep CTest waiting for that suite until the run's end. A program with no test to run
  # starts it first, its output going nowhere.
  add_test(NAME windows_wine_desktop
           COMMAND sh -c "[ -n \"$DISPLAY\" ] || exit 0; exec \"$@\" </dev/null >/dev/null 2>&1" desktop
                   ${CMAKE_COMMAND} -E env --unset=QT_QPA_PLATFORM ${TARVIK_WINE_ENV} ${TARVIK_WINE}
                   $<TARGET_FILE:dialog_tests> --gtest_filter=-*)
  set_tests_properties(windows_wine_desktop PROPERTIES FIXTURES_SETUP wine_desktop FIXTURES_REQUIRED wine
                       LABELS "windows;wine-window" TIMEOUT 120)
endif()
