# Runs tarvix-report on the Brake! sample installation and compares its standard
# output with the expected report byte for byte.
#
#   cmake -DPROGRAM=<tarvix-report> -DWORKDIR=<source tree> -DOUTDIR=<scratch dir>
#         -DEXPECTED=<file in WORKDIR> -DARGS=<arguments separated by "|">
#         -P BrakeReport.cmake
#
# The program runs in WORKDIR, so that the relative names of the command line (and
# the "path" of the report) are the same wherever the tree is. On a difference the
# actual report is kept in OUTDIR and a unified diff is printed.
cmake_minimum_required(VERSION 3.25)

foreach(var PROGRAM WORKDIR OUTDIR EXPECTED ARGS)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "BrakeReport.cmake: ${var} is not set")
  endif()
endforeach()

string(REPLACE "|" ";" args "${ARGS}")
execute_process(
  COMMAND "${PROGRAM}" ${args}
  WORKING_DIRECTORY "${WORKDIR}"
  RESULT_VARIABLE rc
  OUTPUT_VARIABLE out
  ERROR_VARIABLE err)

set(failed FALSE)
if(NOT rc STREQUAL "0")
  message("--- exit status ${rc}, expected 0")
  set(failed TRUE)
endif()
if(NOT err STREQUAL "")
  message("--- standard error is not empty:\n${err}")
  set(failed TRUE)
endif()
file(READ "${WORKDIR}/${EXPECTED}" expected)
if(NOT out STREQUAL expected)
  get_filename_component(name "${EXPECTED}" NAME)
  set(actual "${OUTDIR}/${name}.actual")
  file(WRITE "${actual}" "${out}")
  find_program(DIFF diff)
  if(DIFF)
    execute_process(COMMAND "${DIFF}" -u "${WORKDIR}/${EXPECTED}" "${actual}" OUTPUT_VARIABLE d)
    message("--- the report differs from ${EXPECTED}:\n${d}")
  else()
    message("--- the report differs from ${EXPECTED}; the actual report is ${actual}")
  endif()
  set(failed TRUE)
endif()
if(failed)
  string(REPLACE ";" " " shown "${args}")
  message(FATAL_ERROR "failed: ${PROGRAM} ${shown}")
endif()
