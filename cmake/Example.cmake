# `cmake --build build --target example` compiles the bundled example and
# shows what comes out.
add_custom_target(example
  COMMAND ${CMAKE_COMMAND} -DQDL=$<TARGET_FILE:qdl> -DSOURCE_DIR=${CMAKE_CURRENT_SOURCE_DIR}
          -DWORK_DIR=${CMAKE_CURRENT_BINARY_DIR}/example -P ${CMAKE_CURRENT_SOURCE_DIR}/cmake/RunExample.cmake
  DEPENDS qdl
  USES_TERMINAL)
