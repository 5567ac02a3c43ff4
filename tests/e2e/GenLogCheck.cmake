# Checks tarvix-genlog for one style: the same options give the same bytes, another
# seed gives other bytes, --size and --lines are kept, and tarvix-report reads the
# generated log (LF and CR LF) to the end without a line error, over at least four days.
#
#   cmake -DGENLOG=<tarvix-genlog> -DREPORT=<tarvix-report> -DWORKDIR=<data dir>
#         -DOUTDIR=<scratch dir> -DSTYLE=<genlog style> -DARGS=<report arguments, "|">
#         -P GenLogCheck.cmake
cmake_minimum_required(VERSION 3.25)

set(problems "")
macro(problem text)
  message("--- ${text}")
  string(APPEND problems " ${text};")
endmacro()

function(genlog out)
  execute_process(COMMAND "${GENLOG}" --style ${STYLE} ${ARGN} --out "${out}"
                  RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(NOT rc STREQUAL "0")
    message(FATAL_ERROR "tarvix-genlog --style ${STYLE} ${ARGN}: exit status ${rc}\n${err}")
  endif()
endfunction()

set(base "${OUTDIR}/genlog-${STYLE}")
genlog("${base}-a.log" --lines 3000 --seed 42)
genlog("${base}-b.log" --lines 3000 --seed 42)
genlog("${base}-c.log" --lines 3000 --seed 43)
genlog("${base}-crlf.log" --lines 3000 --seed 42 --crlf)
genlog("${base}-size.log" --size 100000 --seed 42)

execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${base}-a.log" "${base}-b.log" RESULT_VARIABLE same)
if(NOT same EQUAL 0)
  problem("the same seed gave different files")
endif()
execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${base}-a.log" "${base}-c.log" RESULT_VARIABLE same)
if(same EQUAL 0)
  problem("another seed gave the same file")
endif()

file(SIZE "${base}-size.log" size)
if(size LESS 100000 OR size GREATER 100400)
  problem("--size 100000 wrote ${size} bytes")
endif()
math(EXPR last "${size} - 1")
file(READ "${base}-size.log" tail OFFSET ${last} HEX)
if(NOT tail STREQUAL "0a")
  problem("--size did not end with a whole line")
endif()
file(READ "${base}-a.log" text)
string(LENGTH "${text}" all)
string(REPLACE "\n" "" text "${text}")
string(LENGTH "${text}" rest)
math(EXPR count "${all} - ${rest}")
if(NOT count EQUAL 3000)
  problem("--lines 3000 wrote ${count} lines")
endif()
file(SIZE "${base}-a.log" lfSize)
file(SIZE "${base}-crlf.log" crlfSize)
math(EXPR expected "${lfSize} + 3000")
if(NOT crlfSize EQUAL expected)
  problem("--crlf gave ${crlfSize} bytes, expected ${expected}")
endif()

string(REPLACE "|" ";" args "${ARGS}")
foreach(variant a crlf)
  execute_process(COMMAND "${REPORT}" "${base}-${variant}.log" ${args} --what all --format json
                  WORKING_DIRECTORY "${WORKDIR}" RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc STREQUAL "0" OR NOT err STREQUAL "")
    problem("tarvix-report on the ${variant} log: exit status ${rc}\n${err}")
  endif()
  # The lines and a final empty one after the last line end.
  if(NOT out MATCHES "\"lines\": 3001,\n  *\"errors\": 0,")
    problem("tarvix-report on the ${variant} log: not 3001 lines without errors")
  endif()
  if(NOT STYLE STREQUAL "plain" AND NOT out MATCHES "\"index\": 3,")
    problem("tarvix-report on the ${variant} log: fewer than four days")
  endif()
endforeach()

if(NOT problems STREQUAL "")
  message(FATAL_ERROR "tarvix-genlog --style ${STYLE}:${problems}")
endif()
file(REMOVE "${base}-a.log" "${base}-b.log" "${base}-c.log" "${base}-crlf.log" "${base}-size.log")
