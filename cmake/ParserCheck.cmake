# The generated parser is committed so that a machine without Bison builds.
# Where Bison 3.8.2 is installed, the build regenerates it from the grammar
# into the build tree and fails when the committed copy is out of date.
find_program(BISON_EXECUTABLE bison)
if(BISON_EXECUTABLE)
  execute_process(COMMAND ${BISON_EXECUTABLE} --version
                  OUTPUT_VARIABLE _bison_version_text ERROR_QUIET)
  string(REGEX MATCH "[0-9]+\\.[0-9]+(\\.[0-9]+)?" _bison_version "${_bison_version_text}")
  if(_bison_version VERSION_EQUAL 3.8.2)
    set(_regen ${CMAKE_CURRENT_BINARY_DIR}/parser_regen)
    file(MAKE_DIRECTORY ${_regen}/parser/generated)
    add_custom_command(
      OUTPUT ${_regen}/parser/generated/grammar.cc ${_regen}/parser/generated/grammar.hh
      COMMAND ${CMAKE_COMMAND} -E make_directory ${_regen}/parser/generated
      COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_CURRENT_SOURCE_DIR}/parser/grammar.y ${_regen}/parser/grammar.y
      COMMAND ${CMAKE_COMMAND} -DBISON=${BISON_EXECUTABLE} -P ${CMAKE_CURRENT_SOURCE_DIR}/cmake/GenerateParser.cmake
      WORKING_DIRECTORY ${_regen}
      DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/parser/grammar.y ${CMAKE_CURRENT_SOURCE_DIR}/cmake/GenerateParser.cmake
      COMMENT "Regenerating the parser with Bison ${_bison_version}")
    add_custom_target(parser_check ALL
      COMMAND ${CMAKE_COMMAND} -DREGENERATED=${_regen} -DCOMMITTED=${CMAKE_CURRENT_SOURCE_DIR}
              -P ${CMAKE_CURRENT_SOURCE_DIR}/cmake/CompareParser.cmake
      DEPENDS ${_regen}/parser/generated/grammar.cc ${_regen}/parser/generated/grammar.hh
      COMMENT "Checking that the committed parser matches parser/grammar.y")
    add_dependencies(qdl_core parser_check)
  else()
    message(STATUS "Bison ${_bison_version} is not 3.8.2: the committed parser is used unchecked")
  endif()
else()
  message(STATUS "Bison not found: the committed parser is used unchecked")
endif()
