# tarvix-report --update-dlc on a copy of the sample T-Mail installation (samples/tmail).
#
#   cmake -DREPORT=<tarvix-report> -DSAMPLE=<samples/tmail> -DDATA=<tests/e2e/data>
#         -DWORK=<scratch dir> -P TMailUpdateDlc.cmake
#
# The sample is copied to WORK/tmail and the report runs in WORK with the mailer
# directory "tmail": the relative paths of the log (FILES\SOFT\...) and of the index
# are T-Mail's, so they must be found below the mailer directory, not below WORK.
# Each files.bbs of the copy must then equal DATA/tmail-dlc/<area>/files.bbs: every
# served file's counter raised by the number of its sends (a counter written where
# the entry had none), nothing else changed. No other file of the copy may change,
# and no file may be added (no backup: DLCBackupX is off by default).
cmake_minimum_required(VERSION 3.25)

foreach(var REPORT SAMPLE DATA WORK)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "TMailUpdateDlc.cmake: ${var} is not set")
  endif()
endforeach()

set(copy "${WORK}/tmail")
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
file(COPY "${SAMPLE}/" DESTINATION "${copy}")
file(WRITE "${WORK}/empty.ini" "")

execute_process(
  COMMAND "${REPORT}" --style tmail --mailer-dir tmail --set TMVersion=2604 --set TaskNo=1 --year 2003
          --drive C=tmail --config empty.ini --update-dlc --what summary --format json tmail/t-mail.log
  WORKING_DIRECTORY "${WORK}"
  RESULT_VARIABLE rc
  OUTPUT_QUIET
  ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "tarvix-report --update-dlc ended with ${rc}:\n${err}")
endif()
file(READ "${DATA}/tmail.expected.stderr" err_expected)
if(NOT err STREQUAL err_expected)
  message(FATAL_ERROR "standard error:\n${err}expected:\n${err_expected}")
endif()

set(areas FIDO LISTS NODELIST SOFT)
file(GLOB_RECURSE before LIST_DIRECTORIES false RELATIVE "${SAMPLE}" "${SAMPLE}/*")
file(GLOB_RECURSE after LIST_DIRECTORIES false RELATIVE "${copy}" "${copy}/*")
list(SORT before)
list(SORT after)
if(NOT before STREQUAL after)
  message(FATAL_ERROR "The copy holds other files after the update:\n${after}\nbefore:\n${before}")
endif()
foreach(f IN LISTS after)
  set(expected "${SAMPLE}/${f}")
  foreach(area IN LISTS areas)
    if(f STREQUAL "FILES/${area}/files.bbs")
      set(expected "${DATA}/tmail-dlc/${area}/files.bbs")
    endif()
  endforeach()
  execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${copy}/${f}" "${expected}" RESULT_VARIABLE diff)
  if(NOT diff EQUAL 0)
    file(READ "${copy}/${f}" actual)
    message(FATAL_ERROR "${f} differs from ${expected}; it holds:\n${actual}")
  endif()
endforeach()
