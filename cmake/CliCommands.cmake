# cmake -DCLI=<marrowick-cli> -DOUTPUT=<file> -P CliCommands.cmake
#
# Writes a help2man include file with a COMMANDS section: every command that
# `marrowick-cli --help` lists, with what `marrowick-cli COMMAND --help` says.
# The DESCRIPTION is what --help says after its list of commands.
execute_process(COMMAND ${CLI} --help OUTPUT_VARIABLE overview RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${CLI} --help failed: ${status}")
endif()
string(REGEX MATCHALL "\n  [a-z][a-z-]*" commands "${overview}")
string(REGEX REPLACE "^.*\n  [^\n]*\n\n" "" notes "${overview}")

# Text as roff shows it line for line: backslashes and minus signs escaped, and
# no line read as a request.
function(roff_lines text out)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REPLACE "-" "\\-" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

roff_lines("${notes}" notes)
set(section "[=DESCRIPTION]\n${notes}\n[COMMANDS]\n")
foreach(command ${commands})
  string(STRIP "${command}" command)
  execute_process(COMMAND ${CLI} ${command} --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${CLI} ${command} --help failed: ${status}")
  endif()
  string(REGEX REPLACE "^Usage: marrowick-cli ([^\n]*)\n\n?" "" body "${help}")
  string(REGEX MATCH "^Usage: marrowick-cli ([^\n]*)" usage "${help}")
  roff_lines("${CMAKE_MATCH_1}" usage)
  roff_lines("${body}" body)
  string(STRIP "${body}" body)
  string(APPEND section ".SS \"${command}\"\n.B marrowick\\-cli ${usage}\n.PP\n.nf\n${body}\n.fi\n")
endforeach()
file(WRITE ${OUTPUT} "${section}")
