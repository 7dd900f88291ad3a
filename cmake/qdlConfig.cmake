# The qdl package: the imported executable qdl::qdl and the function
# qdl_compile, which compiles a .qdl source as part of a build.
include("${CMAKE_CURRENT_LIST_DIR}/qdlTargets.cmake")
include("${CMAKE_CURRENT_LIST_DIR}/QdlCompile.cmake")
