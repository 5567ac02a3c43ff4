# tarvix-report on a damaged copy of the sample T-Mail installation (samples/tmail).
#
#   cmake -DREPORT=<tarvix-report> -DSAMPLE=<samples/tmail> -DDATA=<tests/e2e/data>
#         -DWORK=<scratch dir> -DCASE=<case> -P TMailDamaged.cmake
#
# The sample is copied to WORK/CASE and damaged there (the sample itself is never
# touched); the report runs in WORK with the relative mailer directory CASE, so the
# file names in its messages are the same on every machine. Cases:
#
#   nolng      t-mail.lng missing                 exit 1, the file named
#   cutlng     t-mail.lng cut off after 1000 bytes  exit 1, the missing entry named
#   selfinc    t-mail.ctl includes itself          exit 1, the include loop named
#   badidx     the index has no 2604 signature     exit 0, a warning; the index is skipped
#   badalias   alias.lst with invalid addresses    exit 0, one warning (message 112) each,
#              and a magic name without its file    one warning (message 111)
#
# Standard error must equal DATA/tmail-damaged/CASE.stderr; standard output is the
# summary of a finished analysis (DATA/tmail-damaged/CASE.json) or, for a failed
# one, empty.
cmake_minimum_required(VERSION 3.25)

foreach(var REPORT SAMPLE DATA WORK CASE)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "TMailDamaged.cmake: ${var} is not set")
  endif()
endforeach()

set(dir "${WORK}/${CASE}")
file(REMOVE_RECURSE "${dir}")
file(MAKE_DIRECTORY "${WORK}")
file(COPY "${SAMPLE}/" DESTINATION "${dir}")
file(WRITE "${WORK}/empty.ini" "")

if(CASE STREQUAL "nolng")
  file(REMOVE "${dir}/t-mail.lng")
  set(rc_expected 1)
elseif(CASE STREQUAL "cutlng")
  file(COPY_FILE "${DATA}/tmail-damaged/t-mail-cut.lng" "${dir}/t-mail.lng")
  set(rc_expected 1)
elseif(CASE STREQUAL "selfinc")
  file(APPEND "${dir}/t-mail.ctl" "Include         t-mail.ctl\r\n")
  set(rc_expected 1)
elseif(CASE STREQUAL "badidx")
  string(REPEAT "not an index " 40 garbage)
  file(WRITE "${dir}/index2604.idx" "${garbage}")
  set(rc_expected 0)
elseif(CASE STREQUAL "badalias")
  file(APPEND "${dir}/index.frq" "ORPHAN      (this name lost its file)\r\n")
  file(WRITE "${dir}/alias.lst"
       "; damaged address aliases\r\n"
       "2:5030/1        Boss\r\n"
       "Kiev            2:463/45\r\n"
       "2:5030          NoNode\r\n"
       "2:5030/1.2x     Trailing\r\n"
       "2:463/45        Kiev\r\n"
       "2:5030/*        Mask\r\n")
  set(rc_expected 0)
else()
  message(FATAL_ERROR "TMailDamaged.cmake: unknown CASE ${CASE}")
endif()

execute_process(
  COMMAND "${REPORT}" --style tmail --mailer-dir ${CASE} --set TMVersion=2604 --set TaskNo=1 --year 2003
          --drive C=${CASE} --config empty.ini --what summary --format json ${CASE}/t-mail.log
  WORKING_DIRECTORY "${WORK}"
  RESULT_VARIABLE rc
  OUTPUT_VARIABLE out
  ERROR_VARIABLE err)

set(problems "")
if(NOT rc STREQUAL rc_expected)
  string(APPEND problems "exit status ${rc}, expected ${rc_expected}\n")
endif()
file(READ "${DATA}/tmail-damaged/${CASE}.stderr" err_expected)
if(NOT err STREQUAL err_expected)
  string(APPEND problems "standard error:\n${err}expected:\n${err_expected}")
endif()
if(rc_expected EQUAL 0)
  file(READ "${DATA}/tmail-damaged/${CASE}.json" out_expected)
  if(NOT out STREQUAL out_expected)
    string(APPEND problems "standard output:\n${out}expected:\n${out_expected}")
  endif()
elseif(NOT out STREQUAL "")
  string(APPEND problems "a failed run printed on standard output:\n${out}")
endif()
if(NOT problems STREQUAL "")
  message(FATAL_ERROR "tmail-damaged ${CASE}:\n${problems}")
endif()
