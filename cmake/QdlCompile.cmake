# qdl_compile(OUTPUT <file> SOURCE <file.qdl>
#             [FORMAT binary|asm|c|delphi]
#             [INCLUDE_PATH <dir>...]
#             [COMMANDS <file>]
#             [LISTING <file>])
#
# Adds the custom command that compiles SOURCE into OUTPUT (C by default)
# with qdl::qdl, with the host's declarations (--commands) and a listing
# when asked.  qdl runs in SOURCE's directory and writes a dependency file
# next to OUTPUT, so that editing an include file rebuilds the image.
# Relative OUTPUT, COMMANDS and LISTING names are in the current binary
# directory; relative SOURCE and INCLUDE_PATH names in the current source
# directory.  Put OUTPUT (and COMMANDS) in a target's sources.
function(qdl_compile)
  cmake_parse_arguments(PARSE_ARGV 0 arg "" "OUTPUT;SOURCE;FORMAT;COMMANDS;LISTING" "INCLUDE_PATH")
  if(arg_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "qdl_compile: unknown arguments: ${arg_UNPARSED_ARGUMENTS}")
  endif()
  if(NOT arg_OUTPUT OR NOT arg_SOURCE)
    message(FATAL_ERROR "qdl_compile: OUTPUT and SOURCE are required")
  endif()
  if(NOT arg_FORMAT)
    set(arg_FORMAT c)
  endif()
  set(letter_binary b)
  set(letter_asm a)
  set(letter_c c)
  set(letter_delphi d)
  if(NOT DEFINED letter_${arg_FORMAT})
    message(FATAL_ERROR "qdl_compile: FORMAT is binary, asm, c or delphi, not ${arg_FORMAT}")
  endif()

  get_filename_component(source "${arg_SOURCE}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
  get_filename_component(source_dir "${source}" DIRECTORY)
  get_filename_component(output "${arg_OUTPUT}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_BINARY_DIR}")
  set(depfile "${output}.d")
  set(outputs "${output}")
  set(options -f${letter_${arg_FORMAT}})
  if(arg_INCLUDE_PATH)
    set(dirs "")
    foreach(dir IN LISTS arg_INCLUDE_PATH)
      get_filename_component(dir "${dir}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
      list(APPEND dirs "${dir}")
    endforeach()
    # qdl separates the directories with ";", which CMake's lists would split.
    string(JOIN "$<SEMICOLON>" dirs ${dirs})
    list(APPEND options "-I${dirs}")
  endif()
  if(arg_COMMANDS)
    get_filename_component(commands "${arg_COMMANDS}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_BINARY_DIR}")
    list(APPEND options "--commands=${commands}")
    list(APPEND outputs "${commands}")
  endif()
  if(arg_LISTING)
    get_filename_component(listing "${arg_LISTING}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_BINARY_DIR}")
    list(APPEND options "-L${listing}")
    list(APPEND outputs "${listing}")
  endif()

  # The Makefile generators read dependency files from CMake 3.20 on.
  set(depfile_option "")
  if(CMAKE_GENERATOR MATCHES "Ninja" OR NOT CMAKE_VERSION VERSION_LESS 3.20)
    set(depfile_option DEPFILE "${depfile}")
    list(APPEND options "--deps=${depfile}")
  endif()
  if(POLICY CMP0116)
    cmake_policy(PUSH)
    cmake_policy(SET CMP0116 NEW)
  endif()
  foreach(file IN LISTS outputs)
    get_filename_component(dir "${file}" DIRECTORY)
    file(MAKE_DIRECTORY "${dir}")
  endforeach()
  add_custom_command(
    OUTPUT ${outputs}
    COMMAND qdl::qdl ${options} "${source}" "${output}"
    DEPENDS "${source}" qdl::qdl
    ${depfile_option}
    WORKING_DIRECTORY "${source_dir}"
    COMMENT "Compiling ${arg_SOURCE} with qdl"
    VERBATIM)
  if(POLICY CMP0116)
    cmake_policy(POP)
  endif()
endfunction()
