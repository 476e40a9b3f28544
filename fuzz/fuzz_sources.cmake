# Sources the table fuzz target is built from (the table file and work-area
# layers and the platform services they use).
set(KOR2_FUZZ_TABLE_SOURCES)
foreach(f tables/base/engineerror tables/base/enginedates tables/base/enginestrings tables/base/enginefile tables/base/filenames
          tables/base/commandtext tables/base/journal
          tables/dbf/dbffile tables/dbf/hooks tables/area/engine tables/area/workareas tables/area/navigation
          tables/area/changes tables/area/search platform/codepage platform/real48
          platform/filerights platform/folder platform/hostfs platform/numtext platform/progfiles
          platform/runtemp platform/sysclock)
  list(APPEND KOR2_FUZZ_TABLE_SOURCES ${SRC}/${f}.cpp)
endforeach()

# The expression layer, added to the table sources for the expression target.
set(KOR2_FUZZ_EXPR_EXTRA tables/keys/keyencoding tables/expr/lexer tables/expr/compiler tables/expr/machine)

# The memo file layer, added to the table sources for the memo target.
set(KOR2_FUZZ_MEMO_EXTRA tables/memo/memofile tables/memo/memostream)

# The index layer and what it needs, added to the table sources for the index target.
set(KOR2_FUZZ_NDX_EXTRA tables/keys/keyencoding tables/expr/lexer tables/expr/compiler tables/expr/machine
    tables/sema/semaphore tables/index/ndxfile tables/index/orders tables/index/ndxbuild
    tables/index/recovery)
