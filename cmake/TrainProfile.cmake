# Runs the instrumented qdl on the training sources (see
# ProfileGuided.cmake).
#   cmake -DTRAINING=... -DGENERATOR=... -DSOURCE_DIR=... -DPROFILE_DIR=...
#         -DWORK_DIR=... -DSTAMP=... -P cmake/TrainProfile.cmake
file(REMOVE_RECURSE ${PROFILE_DIR} ${WORK_DIR})
file(MAKE_DIRECTORY ${PROFILE_DIR} ${WORK_DIR})

function(run_training dir)
  execute_process(COMMAND ${TRAINING} ${ARGN} WORKING_DIRECTORY ${dir}
                  OUTPUT_QUIET ERROR_QUIET RESULT_VARIABLE status)
  # Messages and a non-zero status are part of what is trained.
endfunction()

# Generated sources of each shape, compiled to every output format.
foreach(workload chain-2k random-2k comments-200kB includes-50)
  set(dir ${WORK_DIR}/${workload})
  execute_process(COMMAND ${GENERATOR} --generate ${workload} ${dir}
                  OUTPUT_QUIET RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "the training source ${workload} could not be generated")
  endif()
  run_training(${dir} -fb main.qdl)
endforeach()

# The bundled example with every report, in each format.
file(COPY ${SOURCE_DIR}/examples/robot.qdl DESTINATION ${WORK_DIR}/example)
foreach(format b a c d)
  run_training(${WORK_DIR}/example -f${format} -Lrobot.lst -Drobot.dmp -Srobot.sta robot.qdl)
endforeach()

file(GLOB_RECURSE profiles ${PROFILE_DIR}/*.gcda)
if(NOT profiles)
  message(FATAL_ERROR "the training runs left no profile in ${PROFILE_DIR}")
endif()
file(TOUCH ${STAMP})
