# Builds a table fuzz target with clang++ (-fsanitize=fuzzer,address,undefined)
# and runs it for a bounded time. Called by CTest: cmake -DSRC=<source dir>
# -DOUT=<work dir> -DSECONDS=<n> [-DFUZZ_TARGET=<name>] [-DFUZZ_EXTRA=<stems>]
# [-DFUZZ_SEEDS=<dir>] -P run_fuzz.cmake. Prints "FUZZ SKIPPED" when clang++
# or its fuzzer runtime is missing.
find_program(CLANGXX NAMES clang++ clang++-14 clang++-15 clang++-16)
if(NOT CLANGXX)
  message("FUZZ SKIPPED: clang++ is not installed")
  return()
endif()
include(${SRC}/fuzz/fuzz_sources.cmake)
if(NOT FUZZ_TARGET)
  set(FUZZ_TARGET tables_open_fuzz)
endif()
if(NOT FUZZ_SEEDS)
  set(FUZZ_SEEDS ${SRC}/tests/data)
endif()
foreach(f ${FUZZ_EXTRA})
  list(APPEND KOR2_FUZZ_TABLE_SOURCES ${SRC}/${f}.cpp)
endforeach()
file(MAKE_DIRECTORY ${OUT}/corpus)
set(BIN ${OUT}/${FUZZ_TARGET})
execute_process(
  COMMAND ${CLANGXX} -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined
          -fno-sanitize-recover=undefined -I${SRC} ${SRC}/fuzz/${FUZZ_TARGET}.cpp
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
  COMMAND ${BIN} -max_total_time=${SECONDS} -timeout=20 -rss_limit_mb=2048 -max_len=4096
          ${OUT}/corpus ${FUZZ_SEEDS}
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the fuzz target found a fault:\n${err}")
endif()
string(REGEX MATCH "Done [0-9]+ runs[^\n]*" done "${err}")
message("fuzz: ${done}")
