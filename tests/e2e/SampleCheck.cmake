# Checks that a committed sample installation is, file for file and byte for byte,
# what its generator writes now.
#
#   cmake -DGENERATOR=<program> "-DGEN_ARGS=<arguments separated by |; @OUT@ is the output dir>"
#         -DSAMPLE=<committed dir> -DWORK=<scratch dir> [-DEXCLUDE=<names separated by |>]
#         -P SampleCheck.cmake
#
# Files named in EXCLUDE (the sample's own README, .gitattributes) are not compared.
cmake_minimum_required(VERSION 3.25)

set(out "${WORK}/generated")
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
string(REPLACE "@OUT@" "${out}" args "${GEN_ARGS}")
string(REPLACE "|" ";" args "${args}")
execute_process(COMMAND "${GENERATOR}" ${args} RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${GENERATOR} ended with ${rc}: ${err}")
endif()

string(REPLACE "|" ";" exclude "${EXCLUDE}")
function(files_of dir result)
  file(GLOB_RECURSE names RELATIVE "${dir}" "${dir}/*")
  foreach(name IN LISTS exclude)
    list(REMOVE_ITEM names "${name}")
  endforeach()
  list(SORT names)
  set(${result} "${names}" PARENT_SCOPE)
endfunction()
files_of("${out}" written)
files_of("${SAMPLE}" committed)
if(NOT written STREQUAL committed)
  message(FATAL_ERROR "The generator writes:\n${written}\nThe sample holds:\n${committed}")
endif()
foreach(name IN LISTS written)
  execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${out}/${name}" "${SAMPLE}/${name}"
                  RESULT_VARIABLE differs)
  if(NOT differs EQUAL 0)
    message(FATAL_ERROR "${SAMPLE}/${name} differs from what the generator writes now (${out}/${name}); "
                        "run the generator again and commit the result")
  endif()
endforeach()
