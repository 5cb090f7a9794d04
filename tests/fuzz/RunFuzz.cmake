# Runs one fuzz target for a bounded time on a fresh copy of its seed
# corpus, so the corpus in the repository only changes by hand. The seeds
# are run first, so every kept regression input is replayed. A finding
# fails with the end of libFuzzer's report; the input is left as crash-*
# in WORK, for a regression case under tests/fuzz/corpus/<target>/.
#
#   cmake -DTARGET=PROGRAM -DCORPUS=DIR -DWORK=DIR -DSECONDS=N -DMAX_LEN=BYTES -P RunFuzz.cmake
foreach(var TARGET CORPUS WORK SECONDS MAX_LEN)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "RunFuzz.cmake needs -D${var}=...")
  endif()
endforeach()
if(NOT SECONDS MATCHES "^[1-9][0-9]*$")
  message(FATAL_ERROR "SECONDS must be a whole number of seconds above 0, not '${SECONDS}'")
endif()

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/corpus ${WORK}/tmp)
file(GLOB seeds ${CORPUS}/*)
if(NOT seeds)
  message(FATAL_ERROR "no seed inputs in ${CORPUS}")
endif()
file(COPY ${seeds} DESTINATION ${WORK}/corpus)
# The launch target makes its engine folders under TMPDIR.
set(ENV{TMPDIR} ${WORK}/tmp)
execute_process(
  COMMAND ${TARGET} -max_total_time=${SECONDS} -max_len=${MAX_LEN} -timeout=10 -rss_limit_mb=2048
          -print_final_stats=1 -artifact_prefix=${WORK}/ ${WORK}/corpus
  OUTPUT_FILE ${WORK}/log ERROR_FILE ${WORK}/log
  RESULT_VARIABLE status)
file(STRINGS ${WORK}/log log)
if(NOT status EQUAL 0)
  list(LENGTH log lines)
  math(EXPR from "${lines} - 60")
  if(from LESS 0)
    set(from 0)
  endif()
  list(SUBLIST log ${from} -1 tail)
  list(JOIN tail "\n" tail)
  message(FATAL_ERROR "${tail}\n${TARGET}: exit status ${status}")
endif()
list(FILTER log INCLUDE REGEX "stat::number_of_executed_units|Done [0-9]+ runs")
list(POP_BACK log last)
message("${last}")
