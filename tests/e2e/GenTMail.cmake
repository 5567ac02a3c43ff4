# Checks of tarvix-gentmail, run by ctest as a script:
#   cmake -DGEN=<tarvix-gentmail> -DWORK=<scratch dir> -DMODE=same -P GenTMail.cmake
# MODE same:   two runs with the same seed and options give byte-identical trees
#              (days mode and log-size mode), another seed gives another log, and
#              bad options are refused with exit status 2.
# (That the committed sample is what the generator writes is SampleCheck.cmake's job.)

function(run_gen out)
  file(REMOVE_RECURSE ${out})
  execute_process(COMMAND ${GEN} --out ${out} ${ARGN} RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "tarvix-gentmail ${ARGN} failed (${rc}): ${err}")
  endif()
endfunction()

# Fails unless the trees hold the same files with the same bytes (names in EXCLUDE
# are left out of the comparison).
function(compare_trees a b)
  cmake_parse_arguments(CT "" "" "EXCLUDE" ${ARGN})
  file(GLOB_RECURSE la LIST_DIRECTORIES false RELATIVE ${a} ${a}/*)
  file(GLOB_RECURSE lb LIST_DIRECTORIES false RELATIVE ${b} ${b}/*)
  foreach(x IN LISTS CT_EXCLUDE)
    list(REMOVE_ITEM la ${x})
    list(REMOVE_ITEM lb ${x})
  endforeach()
  list(SORT la)
  list(SORT lb)
  if(NOT la STREQUAL lb)
    message(FATAL_ERROR "the trees hold different files:\n${a}: ${la}\n${b}: ${lb}")
  endif()
  list(LENGTH la n)
  if(n LESS 10)
    message(FATAL_ERROR "${a} holds only ${n} files")
  endif()
  foreach(f IN LISTS la)
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${a}/${f} ${b}/${f} RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "${f} differs between ${a} and ${b}")
    endif()
  endforeach()
endfunction()

if(MODE STREQUAL "same")
  run_gen(${WORK}/a --seed 11 --days 4 --version 2605 --task 10)
  run_gen(${WORK}/b --seed 11 --days 4 --version 2605 --task 10)
  compare_trees(${WORK}/a ${WORK}/b)
  if(NOT EXISTS "${WORK}/a/t-hist.$0A" OR NOT EXISTS "${WORK}/a/t-mail.s0A" OR NOT EXISTS "${WORK}/a/chat10.log")
    message(FATAL_ERROR "task 10 must give t-hist.$0A, t-mail.s0A and chat10.log")
  endif()

  run_gen(${WORK}/c --seed 12 --days 4 --version 2605 --task 10)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK}/a/t-mail.log ${WORK}/c/t-mail.log
                  RESULT_VARIABLE rc)
  if(rc EQUAL 0)
    message(FATAL_ERROR "seeds 11 and 12 gave the same log")
  endif()

  run_gen(${WORK}/d --seed 5 --log-size 64K --sessions-per-day 40 --version 2599)
  run_gen(${WORK}/e --seed 5 --log-size 64K --sessions-per-day 40 --version 2599)
  compare_trees(${WORK}/d ${WORK}/e)
  file(SIZE ${WORK}/d/t-mail.log size)
  if(size LESS 65536)
    message(FATAL_ERROR "--log-size 64K gave a log of ${size} bytes")
  endif()

  foreach(bad "--version;2600" "--task;0" "--days;x" "--log-size;5Q" "--bogus;1")
    execute_process(COMMAND ${GEN} --out ${WORK}/bad --seed 1 ${bad} RESULT_VARIABLE rc OUTPUT_QUIET ERROR_QUIET)
    if(NOT rc EQUAL 2)
      message(FATAL_ERROR "tarvix-gentmail ${bad} gave exit status ${rc}, not 2")
    endif()
  endforeach()
else()
  message(FATAL_ERROR "MODE must be same")
endif()
