# Profile-guided optimisation of the release build (GCC).  A compiler's
# time goes to a few tight paths (characters, tokens, the parser's tables,
# symbol lookups) whose branches a profile of real runs lays out better
# than any static guess: about a tenth off every workload of the
# benchmark.
#
# An instrumented copy of qdl (qdl_training) compiles generated sources of
# every shape (constant chains, random references, comments, includes)
# and the bundled example with every output; its profile then guides the
# compilation of qdl_core and qdl.  GCC finds a source's profile, and the
# functions local to it, by the source's auxiliary name: each source gets
# one of its own, the same in both builds.

set(QDL_PROFILE_DIR ${CMAKE_BINARY_DIR}/profile)
set(QDL_PROFILE_STAMP ${QDL_PROFILE_DIR}/trained.stamp)

get_target_property(qdl_core_sources qdl_core SOURCES)
foreach(source IN LISTS qdl_core_sources ITEMS driver/main.cpp)
  string(REPLACE "/" "." aux_name ${source})
  set_property(SOURCE ${source} APPEND PROPERTY COMPILE_OPTIONS -dumpdir ${QDL_PROFILE_DIR}/aux/ -dumpbase ${aux_name})
endforeach()
add_library(qdl_core_training STATIC EXCLUDE_FROM_ALL ${qdl_core_sources})
target_include_directories(qdl_core_training PUBLIC ${PROJECT_SOURCE_DIR})
target_compile_options(qdl_core_training PRIVATE -fprofile-generate=${QDL_PROFILE_DIR} -fprofile-update=single)
add_executable(qdl_training EXCLUDE_FROM_ALL driver/main.cpp)
target_link_libraries(qdl_training PRIVATE qdl_core_training)
target_compile_options(qdl_training PRIVATE -fprofile-generate=${QDL_PROFILE_DIR} -fprofile-update=single)
target_link_options(qdl_training PRIVATE -fprofile-generate=${QDL_PROFILE_DIR})
# Trained as it is built: the profile has to match the functions the
# optimised build sees.
get_target_property(qdl_lto qdl_core INTERPROCEDURAL_OPTIMIZATION_RELEASE)
if(qdl_lto)
  set_target_properties(qdl_core_training qdl_training PROPERTIES INTERPROCEDURAL_OPTIMIZATION_RELEASE ON)
endif()

add_custom_command(
  OUTPUT ${QDL_PROFILE_STAMP}
  COMMAND ${CMAKE_COMMAND} -DTRAINING=$<TARGET_FILE:qdl_training> -DGENERATOR=$<TARGET_FILE:qdl_bench>
          -DSOURCE_DIR=${PROJECT_SOURCE_DIR} -DPROFILE_DIR=${QDL_PROFILE_DIR}
          -DWORK_DIR=${CMAKE_BINARY_DIR}/profile-training -DSTAMP=${QDL_PROFILE_STAMP}
          -P ${PROJECT_SOURCE_DIR}/cmake/TrainProfile.cmake
  DEPENDS qdl_training qdl_bench ${PROJECT_SOURCE_DIR}/cmake/TrainProfile.cmake ${PROJECT_SOURCE_DIR}/examples/robot.qdl
  COMMENT "Training qdl for profile-guided optimisation"
  VERBATIM)
add_custom_target(qdl_profile DEPENDS ${QDL_PROFILE_STAMP})

set(qdl_profile_use -fprofile-use=${QDL_PROFILE_DIR} -fprofile-partial-training -Wno-missing-profile)
target_compile_options(qdl_core PRIVATE ${qdl_profile_use})
target_compile_options(qdl PRIVATE ${qdl_profile_use})
# Link-time optimisation compiles again while linking.
target_link_options(qdl PRIVATE ${qdl_profile_use})
# The profile is made before anything that uses it is compiled: a changed
# source is trained again before its object is rebuilt.  Objects whose
# sources did not change keep the profile they were compiled with, which
# still matches them.
add_dependencies(qdl_core qdl_profile)
add_dependencies(qdl qdl_profile)
