# Sources the table fuzz target is built from (the table file and work-area
# layers and the platform services they use).
set(KOR2_FUZZ_TABLE_SOURCES)
foreach(f tables/tbcommon tables/tbdates tables/tbstrings tables/tbfile tables/tbfiles
          tables/tbdbflow tables/tbhooks tables/tbengine tables/dbf4 tables/dbf4nav
          tables/dbf4change tables/dbf4search platform/codepage platform/real48
          platform/hostfs platform/progfiles platform/sysclock)
  list(APPEND KOR2_FUZZ_TABLE_SOURCES ${SRC}/${f}.cpp)
endforeach()

# The expression layer, added to the table sources for the expression target.
set(KOR2_FUZZ_EXPR_EXTRA tables/tbkeys tables/tbexprlex tables/tbparser tables/tbexprmach)

# The memo file layer, added to the table sources for the memo target.
set(KOR2_FUZZ_MEMO_EXTRA tables/memo tables/memostream)

# The index layer and what it needs, added to the table sources for the index target.
set(KOR2_FUZZ_NDX_EXTRA tables/tbkeys tables/tbexprlex tables/tbparser tables/tbexprmach
    tables/tbsema tables/ndxfile tables/tbndx tables/ndxbuild)
