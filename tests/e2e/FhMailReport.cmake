# Runs tarvix-report on the FhMail sample installation and compares its standard
# output byte for byte with the expected JSON.
#   cmake -DREPORT=<tarvix-report> -DSOURCE_DIR=<source tree> -DWORK_DIR=<scratch dir>
#         -P FhMailReport.cmake
set(config ${WORK_DIR}/fhmail-empty.ini)
set(output ${WORK_DIR}/fhmail.out.json)
set(expected ${SOURCE_DIR}/tests/e2e/data/fhmail.expected.json)
file(MAKE_DIRECTORY ${WORK_DIR})
file(WRITE ${config} "")
execute_process(
  COMMAND ${REPORT} --style fhmail --mailer-dir samples/fhmail --what all --format json --year 2026
          --config ${config} samples/fhmail/fhmail.log
  WORKING_DIRECTORY ${SOURCE_DIR}
  OUTPUT_FILE ${output}
  ERROR_VARIABLE errors
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "tarvix-report ended with ${status}: ${errors}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${output} ${expected} RESULT_VARIABLE differs)
if(NOT differs EQUAL 0)
  message(FATAL_ERROR "the report differs from ${expected}; it is in ${output}")
endif()
