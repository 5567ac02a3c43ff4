# Runs tarvix-report over the sample Bink/+ installation and compares what it prints
# with the expected report, byte for byte.
#   cmake -DREPORT=<tarvix-report> -DSOURCE_DIR=<source tree> -DWORK_DIR=<scratch dir> -P RunBinkPlusReport.cmake
file(MAKE_DIRECTORY ${WORK_DIR})
set(config ${WORK_DIR}/empty.ini)
set(actual ${WORK_DIR}/binkplus.actual.json)
file(WRITE ${config} "")
execute_process(
  COMMAND ${REPORT} --style binkplus --mailer-dir samples/binkplus --what all --format json --year 2026
          --config ${config} samples/binkplus/binkley.log
  WORKING_DIRECTORY ${SOURCE_DIR}
  OUTPUT_FILE ${actual}
  ERROR_VARIABLE errors
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "tarvix-report ended with ${status}:\n${errors}")
endif()
execute_process(
  COMMAND ${CMAKE_COMMAND} -E compare_files ${SOURCE_DIR}/tests/e2e/data/binkplus.expected.json ${actual}
  RESULT_VARIABLE differs)
if(NOT differs EQUAL 0)
  message(FATAL_ERROR "The report differs from tests/e2e/data/binkplus.expected.json; it is in ${actual}")
endif()
