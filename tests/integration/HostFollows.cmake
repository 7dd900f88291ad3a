# The example's host HOST walks the image as examples/host/expected.txt
# says.  Then a copy of the example whose command Идти has the code 33
# instead of 3: the host, rebuilt with the new declarations, decodes the
# new image as it decoded the old one, and the header gives the new code.
file(READ ${SOURCE_DIR}/examples/host/expected.txt expected)
function(check_walk host)
  execute_process(COMMAND ${host} OUTPUT_VARIABLE walk RESULT_VARIABLE status)
  if(NOT status EQUAL 0 OR NOT walk STREQUAL expected)
    message(FATAL_ERROR "${host}'s walk differs (status ${status}):\n${walk}\nexpected:\n${expected}")
  endif()
endfunction()
check_walk(${HOST})

file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
file(READ ${SOURCE_DIR}/examples/robot.qdl source)
# " 3 " occurs once, in the declaration of Идти (a Windows-1251 file,
# matched on its ASCII bytes).
string(REGEX MATCHALL " 3 " found "${source}")
list(LENGTH found count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "expected one \" 3 \" in robot.qdl, found ${count}")
endif()
string(REPLACE " 3 " " 33 " source "${source}")
file(WRITE ${WORK_DIR}/robot.qdl "${source}")

execute_process(COMMAND ${QDL} --commands=robot_commands.h robot.qdl robot.h
                WORKING_DIRECTORY ${WORK_DIR} OUTPUT_QUIET RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "qdl failed on the changed example (status ${status})")
endif()
file(STRINGS ${WORK_DIR}/robot_commands.h code REGEX "^#define QDL_CMD_Idti ")
if(NOT code MATCHES "^#define QDL_CMD_Idti 33")
  message(FATAL_ERROR "the header does not give the new code: ${code}")
endif()
file(READ ${WORK_DIR}/robot.h image)
if(NOT image MATCHES " 33,")
  message(FATAL_ERROR "the image does not hold the new code")
endif()

execute_process(COMMAND ${CC} -std=c99 -Wall -Wextra -I${WORK_DIR} ${SOURCE_DIR}/examples/host/host.c
                        -o ${WORK_DIR}/host
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the host does not build on the changed example")
endif()
check_walk(${WORK_DIR}/host)
