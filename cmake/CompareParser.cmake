# Fails, saying how to fix it, when the committed parser differs from the
# one Bison makes of parser/grammar.y.
#   cmake -DREGENERATED=dir -DCOMMITTED=dir -P CompareParser.cmake
foreach(file parser/generated/grammar.cc parser/generated/grammar.hh)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${REGENERATED}/${file} ${COMMITTED}/${file}
                  RESULT_VARIABLE differs)
  if(differs)
    message(FATAL_ERROR
      "${file} is out of date with parser/grammar.y.\n"
      "Regenerate it from the repository root with\n"
      "    cmake -P cmake/GenerateParser.cmake\n"
      "and commit both files of parser/generated/.")
  endif()
endforeach()
