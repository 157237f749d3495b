# Wine runs the Windows programs of a cross build here: the tests, and tarvik-cli when the
# installer's manual page is made from its --help. On Windows itself they run as they are.
if(NOT CMAKE_CROSSCOMPILING)
  set(TARVIK_WINDOWS_PROGRAMS_RUN ON)
  return()
endif()

# Debian keeps the 64-bit Wine loader outside PATH unless the `wine` package is there too.
find_program(TARVIK_WINE NAMES wine64 wine HINTS /usr/lib/wine)
find_program(TARVIK_WINESERVER NAMES wineserver64 wineserver HINTS /usr/lib/wine)

# One Wine prefix per build folder, made once per test run by the fixture below. No
# display is needed: the programs under test are console programs. Wine's Mono and Gecko
# are not packaged by Debian; asking for them would only cost time.
set(TARVIK_WINE_PREFIX ${PROJECT_BINARY_DIR}/wine-prefix)
set(TARVIK_WINE_ENV WINEPREFIX=${TARVIK_WINE_PREFIX} WINEDEBUG=-all "WINEDLLOVERRIDES=mscoree,mshtml=" WINEARCH=win64)

if(TARVIK_WINE AND TARVIK_WINESERVER)
  set(TARVIK_WINDOWS_PROGRAMS_RUN ON)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY
      ${TARVIK_WINE_ENV} ${TARVIK_WINE})
endif()
