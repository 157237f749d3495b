# tarvik_install_program(<target> <one-line summary>): installs a program and its manual page.
# The page is made by help2man from the program's own --help and --version, so it never
# differs from what the program says of itself; both must answer without a display.

find_program(TARVIK_HELP2MAN help2man REQUIRED)
find_program(TARVIK_GZIP gzip REQUIRED)

function(tarvik_install_program target summary)
  install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

  set(page ${PROJECT_BINARY_DIR}/man/${target}.1)
  # Leak reports of a sanitizer build would end up in the page.
  add_custom_command(OUTPUT ${page}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
    COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
            ${TARVIK_HELP2MAN} --no-info --name=${summary} --output=${page} $<TARGET_FILE:${target}>
    COMMAND ${TARVIK_GZIP} -9nf ${page}
    DEPENDS ${target}
    COMMENT "Manual page of ${target}"
    VERBATIM)
  add_custom_target(${target}_manual_page ALL DEPENDS ${page}.gz)
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()
