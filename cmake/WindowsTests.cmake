# Tests of the Windows build, run under Wine. GoogleTest is built here from Debian's
# source package (googletest), as the host's libraries are Linux ones.
add_subdirectory(/usr/src/googletest ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

# Debian keeps the 64-bit Wine loader outside PATH unless the `wine` package is there too.
find_program(TARVIK_WINE NAMES wine64 wine HINTS /usr/lib/wine)
find_program(TARVIK_WINESERVER NAMES wineserver64 wineserver HINTS /usr/lib/wine)

# One Wine prefix per build folder, made once per test run by the fixture below. No
# display is needed: the programs under test are console programs. Wine's Mono and Gecko
# are not packaged by Debian; asking for them would only cost time.
set(TARVIK_WINE_PREFIX ${PROJECT_BINARY_DIR}/wine-prefix)
set(TARVIK_WINE_ENV WINEPREFIX=${TARVIK_WINE_PREFIX} WINEDEBUG=-all "WINEDLLOVERRIDES=mscoree,mshtml=" WINEARCH=win64)

if(TARVIK_WINE AND TARVIK_WINESERVER)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY
      ${TARVIK_WINE_ENV} ${TARVIK_WINE})
  add_test(NAME windows_wine_prefix COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} wineboot --init)
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

# tarvik_windows_test(<target>): runs a test program (a GoogleTest suite runs all its cases
# in one process, so Wine starts once per suite).
function(tarvik_windows_test target)
  if(TARVIK_WINE AND TARVIK_WINESERVER)
    add_test(NAME ${target} COMMAND ${target} --gtest_brief=1)
    set_tests_properties(${target} PROPERTIES LABELS windows FIXTURES_REQUIRED wine TIMEOUT 600)
  endif()
endfunction()
