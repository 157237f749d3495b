# Run at install time (install(SCRIPT)): writes tarvik-cli.html, the tool's manual as a page,
# from what the program says of itself. TARVIK_RUN is the emulator that runs Windows
# programs here (empty on Windows itself), TARVIK_CLI the program.
set(page "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/tarvik-cli.html")
foreach(option --version --help)
  execute_process(COMMAND ${TARVIK_RUN} ${TARVIK_CLI} ${option}
                  OUTPUT_VARIABLE text RESULT_VARIABLE result ERROR_VARIABLE error)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "The manual page needs `tarvik-cli ${option}` to run (Wine on Linux): ${result} ${error}")
  endif()
  # Console output ends its lines in CR LF; the page is HTML text.
  string(REPLACE "\r" "" text "${text}")
  string(REPLACE "&" "&amp;" text "${text}")
  string(REPLACE "<" "&lt;" text "${text}")
  string(REPLACE ">" "&gt;" text "${text}")
  set(manual${option} "${text}")
endforeach()
string(STRIP "${manual--version}" version)
file(WRITE "${page}" "<!DOCTYPE html>
<html lang=\"en\">
<head><meta charset=\"utf-8\"><title>tarvik-cli: the Morvane FPGA board from a terminal</title></head>
<body>
<h1>tarvik-cli</h1>
<p>${version}</p>
<p>Open <em>Tarvik command line</em> in the Start menu for a command prompt in Tarvik's folder.</p>
<pre>
${manual--help}</pre>
</body>
</html>
")
message(STATUS "Manual page: ${page}")
