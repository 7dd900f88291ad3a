# The runner must refuse the malformed case CASE with status 2 and the
# message its first line gives after "# refused: " (line: message).
execute_process(COMMAND ${RUNNER} ${QDL} ${CASE} RESULT_VARIABLE status ERROR_VARIABLE errors)
file(STRINGS ${CASE} refusal LIMIT_COUNT 1)
string(REPLACE "# refused: " "" refusal "${refusal}")
get_filename_component(name ${CASE} NAME)
string(FIND "${errors}" "${name}:${refusal}\n" at)
if(NOT status EQUAL 2 OR at EQUAL -1)
  message(FATAL_ERROR "expected status 2 and \"${name}:${refusal}\", got ${status}:\n${errors}")
endif()
