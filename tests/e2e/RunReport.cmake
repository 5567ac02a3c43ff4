# Runs one end-to-end case of tarvix-report and checks what it did.
#
#   cmake -DPROGRAM=<tarvix-report> -DWORKDIR=<data dir> -DOUTDIR=<scratch dir> -DNAME=<case>
#         -DARGS=<arguments separated by "|"> -DRC=<expected exit status>
#         [-DSTDOUT=<file>] [-DSTDERR=<file>] [-DSTDERR_LINES=<n>] [-DSTDERR_CONTAINS=<text>]
#         -P RunReport.cmake
#
# The program runs in WORKDIR, so that relative log names (and the "path" of the
# report) stay the same wherever the tree is. STDOUT and STDERR name files in WORKDIR
# that the output must equal byte for byte; without STDOUT a failing run (RC not 0)
# must print nothing on standard output. On a difference the actual output is kept
# in OUTDIR and a unified diff is printed.
cmake_minimum_required(VERSION 3.25)

foreach(var PROGRAM WORKDIR OUTDIR NAME RC)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "RunReport.cmake: ${var} is not set")
  endif()
endforeach()

string(REPLACE "|" ";" args "${ARGS}")
execute_process(
  COMMAND "${PROGRAM}" ${args}
  WORKING_DIRECTORY "${WORKDIR}"
  RESULT_VARIABLE rc
  OUTPUT_VARIABLE out
  ERROR_VARIABLE err)

set(problems "")

# Compares a text with the file it should equal; shows a diff when they differ.
function(compare what actual expectedFile)
  file(READ "${WORKDIR}/${expectedFile}" expected)
  if(actual STREQUAL expected)
    return()
  endif()
  set(actualFile "${OUTDIR}/${NAME}.actual.${what}")
  file(WRITE "${actualFile}" "${actual}")
  find_program(DIFF diff)
  if(DIFF)
    execute_process(COMMAND "${DIFF}" -u "${WORKDIR}/${expectedFile}" "${actualFile}" OUTPUT_VARIABLE d)
    message("--- ${what} differs from ${expectedFile}:\n${d}")
  else()
    message("--- ${what} differs from ${expectedFile}; actual ${what} in ${actualFile}:\n${actual}")
  endif()
  set(problems "${problems} ${what}" PARENT_SCOPE)
endfunction()

if(NOT rc STREQUAL RC)
  message("--- exit status ${rc}, expected ${RC}")
  string(APPEND problems " status")
endif()

if(DEFINED STDOUT)
  compare(stdout "${out}" "${STDOUT}")
elseif(NOT RC STREQUAL "0" AND NOT out STREQUAL "")
  message("--- a failing run printed on standard output:\n${out}")
  string(APPEND problems " stdout")
endif()

if(DEFINED STDERR)
  compare(stderr "${err}" "${STDERR}")
endif()
if(DEFINED STDERR_LINES)
  string(LENGTH "${err}" all)
  string(REPLACE "\n" "" joined "${err}")
  string(LENGTH "${joined}" rest)
  math(EXPR lines "${all} - ${rest}")
  if(NOT lines EQUAL STDERR_LINES OR NOT (err STREQUAL "" OR err MATCHES "\n$"))
    message("--- standard error has ${lines} lines, expected ${STDERR_LINES}:\n${err}")
    string(APPEND problems " stderr-lines")
  endif()
endif()
if(DEFINED STDERR_CONTAINS)
  string(FIND "${err}" "${STDERR_CONTAINS}" at)
  if(at LESS 0)
    message("--- standard error does not contain \"${STDERR_CONTAINS}\":\n${err}")
    string(APPEND problems " stderr-text")
  endif()
endif()

if(NOT problems STREQUAL "")
  list(JOIN args " " shown)
  message(FATAL_ERROR "${NAME}: unexpected${problems}\n  command: ${PROGRAM} ${shown}\n  in: ${WORKDIR}")
endif()
