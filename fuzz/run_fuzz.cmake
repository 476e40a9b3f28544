# Builds the table fuzz target with clang++ (-fsanitize=fuzzer,address,undefined)
# and runs it for a bounded time. Called by CTest: cmake -DSRC=<source dir>
# -DOUT=<work dir> -DSECONDS=<n> -P run_fuzz.cmake. Prints "FUZZ SKIPPED"
# when clang++ or its fuzzer runtime is missing.
find_program(CLANGXX NAMES clang++ clang++-14 clang++-15 clang++-16)
if(NOT CLANGXX)
  message("FUZZ SKIPPED: clang++ is not installed")
  return()
endif()
include(${SRC}/fuzz/fuzz_sources.cmake)
file(MAKE_DIRECTORY ${OUT}/corpus)
set(BIN ${OUT}/tables_open_fuzz)
execute_process(
  COMMAND ${CLANGXX} -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined
          -fno-sanitize-recover=undefined -I${SRC} ${SRC}/fuzz/tables_open_fuzz.cpp
          ${KOR2_FUZZ_TABLE_SOURCES} -o ${BIN}
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  if(err MATCHES "libclang_rt.fuzzer|cannot find -l|clang_rt")
    message("FUZZ SKIPPED: the fuzzer runtime of clang is not installed")
    return()
  endif()
  message(FATAL_ERROR "building the fuzz target failed:\n${err}")
endif()
execute_process(
  COMMAND ${BIN} -max_total_time=${SECONDS} -rss_limit_mb=2048 -max_len=4096
          ${OUT}/corpus ${SRC}/tests/data
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the fuzz target found a fault:\n${err}")
endif()
string(REGEX MATCH "Done [0-9]+ runs[^\n]*" done "${err}")
message("fuzz: ${done}")
