# The host's command table (codes and operand sizes) is the set of
# commands the example declares, as its context dump lists them.
# CMake lists do not keep square brackets apart, so both sides write the
# sizes in angle brackets before they are split into lines.
function(lines_of text out)
  string(REPLACE "\r" "" text "${text}")
  string(REPLACE "[" "<" text "${text}")
  string(REPLACE "]" ">" text "${text}")
  string(REPLACE "\n" ";" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

file(READ ${DUMP} dump)
lines_of("${dump}" dump_lines)
set(declared "")
foreach(line ${dump_lines})
  if(line MATCHES "^ *Command ")
    # "Command CODE NAME <sizes>": drop the indentation and the name.
    string(REGEX REPLACE "^ *Command ([0-9]+) [^ ]+" "Command \\1" entry "${line}")
    list(APPEND declared "${entry}")
  endif()
endforeach()
list(SORT declared COMPARE NATURAL)

execute_process(COMMAND ${HOST} --table OUTPUT_VARIABLE table RESULT_VARIABLE status)
string(REGEX REPLACE "\n$" "" table "${table}")
lines_of("${table}" known)
list(SORT known COMPARE NATURAL)
if(NOT status EQUAL 0 OR NOT known STREQUAL declared)
  message(FATAL_ERROR "host table and example differ:\nhost:    ${known}\nexample: ${declared}")
endif()
