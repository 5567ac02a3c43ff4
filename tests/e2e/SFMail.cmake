# End-to-end checks of the sample SF-Mail installation in samples/sfmail.
#
#   MODE=report   runs tarvix-report over the sample log and compares its standard
#                 output byte for byte with EXPECTED; anything on standard error fails
#   MODE=samples  runs tarvix-gensfmail with its defaults and compares every file it
#                 writes with the committed samples, so that they stay reproducible
#
# Variables: MODE, SOURCE_DIR (the source tree), WORK_DIR (a scratch folder), and
# REPORT + EXPECTED, or GENERATOR.
cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")

if(MODE STREQUAL "report")
  # An empty settings file: every setting at its default.
  set(config "${WORK_DIR}/empty.ini")
  file(WRITE "${config}" "")
  set(actual "${WORK_DIR}/sfmail.actual.json")
  execute_process(
    COMMAND "${REPORT}" --style sfmail --mailer-dir samples/sfmail --what all --format json
            --year 2026 --config "${config}" samples/sfmail/sf-mail.log
    WORKING_DIRECTORY "${SOURCE_DIR}"
    OUTPUT_FILE "${actual}"
    ERROR_VARIABLE err
    RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "tarvix-report ended with ${rc}: ${err}")
  endif()
  if(NOT err STREQUAL "")
    message(FATAL_ERROR "tarvix-report wrote to standard error:\n${err}")
  endif()
  execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${actual}" "${EXPECTED}" RESULT_VARIABLE diff)
  if(NOT diff EQUAL 0)
    message(FATAL_ERROR "The output differs from ${EXPECTED}; it is in ${actual}")
  endif()
elseif(MODE STREQUAL "samples")
  set(out "${WORK_DIR}/sfmail")
  execute_process(COMMAND "${GENERATOR}" "${out}" RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "tarvix-gensfmail ended with ${rc}: ${err}")
  endif()
  set(samples "${SOURCE_DIR}/samples/sfmail")
  file(GLOB_RECURSE written RELATIVE "${out}" "${out}/*")
  file(GLOB_RECURSE committed RELATIVE "${samples}" "${samples}/*")
  list(SORT written)
  list(SORT committed)
  if(NOT written STREQUAL committed)
    message(FATAL_ERROR "Files written: ${written}\nFiles committed: ${committed}")
  endif()
  foreach(f IN LISTS written)
    execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${out}/${f}" "${samples}/${f}" RESULT_VARIABLE diff)
    if(NOT diff EQUAL 0)
      message(FATAL_ERROR "samples/sfmail/${f} differs from what tarvix-gensfmail writes now")
    endif()
  endforeach()
else()
  message(FATAL_ERROR "MODE must be report or samples")
endif()
