# The host's walk of the example image is what examples/host/expected.txt says.
execute_process(COMMAND ${HOST} OUTPUT_VARIABLE walk RESULT_VARIABLE status)
file(READ ${EXPECTED} expected)
if(NOT status EQUAL 0 OR NOT walk STREQUAL expected)
  message(FATAL_ERROR "host walk differs (status ${status}):\n${walk}\nexpected:\n${expected}")
endif()
