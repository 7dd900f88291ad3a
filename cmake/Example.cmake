# `cmake --build build --target example` compiles the bundled example and
# shows what comes out.
add_custom_target(example
  COMMAND ${CMAKE_COMMAND} -DQDL=$<TARGET_FILE:qdl> -DSOURCE_DIR=${CMAKE_CURRENT_SOURCE_DIR}
          -DWORK_DIR=${CMAKE_CURRENT_BINARY_DIR}/example -P ${CMAKE_CURRENT_SOURCE_DIR}/cmake/RunExample.cmake
  DEPENDS qdl
  USES_TERMINAL)

# The example's host program, built with the image and the declarations
# that qdl_compile makes from examples/robot.qdl.
set(robot_host_dir ${CMAKE_CURRENT_BINARY_DIR}/robot_example)
qdl_compile(OUTPUT ${robot_host_dir}/robot.h
            SOURCE examples/robot.qdl
            COMMANDS ${robot_host_dir}/robot_commands.h)
add_executable(robot_host examples/host/host.c ${robot_host_dir}/robot.h ${robot_host_dir}/robot_commands.h)
target_include_directories(robot_host PRIVATE ${robot_host_dir})
set_target_properties(robot_host PROPERTIES C_STANDARD 99)
