# Installs qdl from BUILD_DIR into a temporary prefix, builds the host
# project in SOURCE_DIR against it (with Ninja when there is one), runs
# it, changes the included file and checks that the rebuild regenerated
# the image.
file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${ARGN} failed (${status}):\n${out}")
  endif()
endfunction()

run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
foreach(file bin/qdl share/man/man1/qdl.1 lib/cmake/qdl/qdlConfig.cmake lib/cmake/qdl/qdlConfigVersion.cmake)
  if(NOT EXISTS ${prefix}/${file})
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()

file(COPY ${SOURCE_DIR}/ DESTINATION ${WORK_DIR}/source)
find_program(NINJA ninja)
if(NINJA)
  set(generator Ninja)
else()
  set(generator "Unix Makefiles")
endif()
run(${CMAKE_COMMAND} -S ${WORK_DIR}/source -B ${WORK_DIR}/build -G ${generator}
    -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_C_COMPILER=${CC})

function(build_and_run expected)
  run(${CMAKE_COMMAND} --build ${WORK_DIR}/build)
  execute_process(COMMAND ${WORK_DIR}/build/host OUTPUT_VARIABLE out RESULT_VARIABLE status)
  if(NOT status EQUAL 0 OR NOT out STREQUAL "${expected}\n")
    message(FATAL_ERROR "host says (${status}) ${out}expected ${expected}")
  endif()
endfunction()
# The image: Go (5) with the byte 7, the end-of-code entry.
build_and_run("Part 7, size 3, first code 5 of 5")
# File times may be coarse: let the change be newer than the image.
execute_process(COMMAND ${CMAKE_COMMAND} -E sleep 1)
file(WRITE ${WORK_DIR}/source/inc/part.qdl "Part = 9;\n")
build_and_run("Part 9, size 3, first code 5 of 5")
