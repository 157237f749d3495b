# The Windows installer: `cpack --preset windows` makes tarvik-setup-<version>.exe with
# NSIS (Debian's makensis): tarvik-cli.exe, its manual as a page, the windows (tarvik.exe and
# tarvik-sim.exe, with Qt's libraries and plugins) where the build has them, Start menu
# entries for each and an uninstaller, which the Windows "Apps" list also offers.

# The manual is what the program says of itself (--help, --version), so it never differs
# from the program; it is asked for when the installer is made, under the emulator.
install(CODE "set(TARVIK_RUN [[${CMAKE_CROSSCOMPILING_EMULATOR}]])
set(TARVIK_CLI [[$<TARGET_FILE:tarvik-cli>]])")
install(SCRIPT ${PROJECT_SOURCE_DIR}/cmake/CliManualPage.cmake)

set(CPACK_GENERATOR NSIS)
set(CPACK_PACKAGE_NAME Tarvik)
set(CPACK_PACKAGE_VENDOR "Tarvik maintainers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "tool for the Morvane FPGA board: configuration download, pin tests")
set(CPACK_PACKAGE_FILE_NAME tarvik-setup-${PROJECT_VERSION})
set(CPACK_PACKAGE_INSTALL_DIRECTORY Tarvik)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Tarvik)
set(CPACK_NSIS_PACKAGE_NAME "Tarvik ${PROJECT_VERSION}")
set(CPACK_NSIS_DISPLAY_NAME "Tarvik ${PROJECT_VERSION}")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_COMPRESSOR "/SOLID lzma")
set(CPACK_STRIP_FILES ON)
# The 64-bit Unicode stub: the default 32-bit ANSI one does not run where Windows (or a
# Wine prefix) has no 32-bit part, and cannot name every folder.
# The uninstaller removes the maker's registry key too once it holds nothing: the generator's
# script removes only the program's key inside it.
set(CPACK_NSIS_DEFINES "Target amd64-unicode
Function un.onUninstSuccess
  DeleteRegKey /ifempty SHCTX \\\"Software\\\\${CPACK_PACKAGE_VENDOR}\\\"
FunctionEnd")
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
# A console program opened from the Start menu would close at once: its entry opens a
# command prompt in its folder instead, with its help shown.
set(CPACK_NSIS_MENU_LINKS "tarvik-cli.html" "Tarvik command line manual")
if(TARVIK_WINDOWS_UI)
  set(CPACK_PACKAGE_EXECUTABLES tarvik Tarvik tarvik-sim "Tarvik on the simulated board")
endif()
set(TARVIK_PROMPT_LINK "$SMPROGRAMS\\\\$STARTMENU_FOLDER\\\\Tarvik command line.lnk")
set(CPACK_NSIS_CREATE_ICONS_EXTRA
    "CreateShortCut \\\"${TARVIK_PROMPT_LINK}\\\" \\\"$SYSDIR\\\\cmd.exe\\\" '/k cd /d \\\"$INSTDIR\\\" && tarvik-cli --help'")
set(CPACK_NSIS_DELETE_ICONS_EXTRA "Delete \\\"$SMPROGRAMS\\\\$MUI_TEMP\\\\Tarvik command line.lnk\\\"")
include(CPack)

if(BUILD_TESTING AND CMAKE_CROSSCOMPILING AND TARVIK_WINDOWS_PROGRAMS_RUN)
  # The installer goes in and out of the one Wine prefix, and waits for Wine's last process
  # each time: it runs alone.
  add_test(NAME windows_installer
           COMMAND ${CMAKE_COMMAND} -E env ${TARVIK_WINE_ENV}
                   ${PROJECT_SOURCE_DIR}/tests/packaging/windows-installer-check.sh ${PROJECT_BINARY_DIR}/installer
                   ${CMAKE_CPACK_COMMAND} ${PROJECT_BINARY_DIR}/CPackConfig.cmake ${TARVIK_WINE} ${TARVIK_WINESERVER}
                   ${PROJECT_VERSION})
  set_tests_properties(windows_installer PROPERTIES LABELS windows FIXTURES_REQUIRED wine RUN_SERIAL ON TIMEOUT 600)
endif()
