# Runs a fuzz target that the build made, for a bounded time. Called by CTest:
# cmake -DBIN=<target> -DOUT=<work dir> -DSECONDS=<n> -DRUNS=<n> -DSEEDS=<dir>
# [-DSKIP=<reason>] -P run_fuzz.cmake. Prints "FUZZ SKIPPED" when the build
# could not make the target (no clang++ or no fuzzer runtime).
if(SKIP)
  message("FUZZ SKIPPED: ${SKIP}")
  return()
endif()
if(NOT EXISTS ${BIN})
  message(FATAL_ERROR "the fuzz target ${BIN} was not built: build all targets first")
endif()
file(MAKE_DIRECTORY ${OUT}/corpus)
execute_process(
  COMMAND ${BIN} -max_total_time=${SECONDS} -runs=${RUNS} -timeout=20 -rss_limit_mb=2048
          -max_len=4096 ${OUT}/corpus ${SEEDS}
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the fuzz target found a fault:\n${err}")
endif()
string(REGEX MATCH "Done [0-9]+ runs[^\n]*" done "${err}")
message("fuzz: ${done}")
