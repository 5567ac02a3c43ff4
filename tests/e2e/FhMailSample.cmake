# Writes the FhMail demo installation with tarvix-genfhmail (default seed) and checks
# that it is, file for file and byte for byte, the sample committed in samples/fhmail.
#   cmake -DGENERATOR=<tarvix-genfhmail> -DSOURCE_DIR=<source tree> -DWORK_DIR=<scratch dir>
#         -P FhMailSample.cmake
set(generated ${WORK_DIR}/fhmail-sample)
set(sample ${SOURCE_DIR}/samples/fhmail)
file(REMOVE_RECURSE ${generated})
execute_process(COMMAND ${GENERATOR} ${generated} RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "tarvix-genfhmail ended with ${status}: ${errors}")
endif()
file(GLOB_RECURSE made RELATIVE ${generated} ${generated}/*)
file(GLOB_RECURSE committed RELATIVE ${sample} ${sample}/*)
list(SORT made)
list(SORT committed)
if(NOT made STREQUAL committed)
  message(FATAL_ERROR "the generator writes ${made}, the sample holds ${committed}")
endif()
foreach(name ${made})
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${generated}/${name} ${sample}/${name}
                  RESULT_VARIABLE differs)
  if(NOT differs EQUAL 0)
    message(FATAL_ERROR "${name} differs from samples/fhmail/${name}")
  endif()
endforeach()
