// Speed of the index layer on 1 000 000 keys: building a character and a
// numeric index (in memory and through sorted runs), seeking random keys,
// walking the whole order and inserting keys one by one; Reindex of two
// orders and Pack of a table with two orders, each writing new files.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "tables/area/changes.h"
#include "tables/area/engine.h"
#include "tables/area/navigation.h"
#include "tables/area/workareas.h"
#include "tables/base/commandtext.h"
#include "tables/base/engineerror.h"
#include "tables/dbf/dbffile.h"
#include "tables/expr/expression.h"
#include "tables/index/ndxbuild.h"
#include "tables/index/ndxformat.h"
#include "tables/index/orders.h"

namespace {

using namespace kor2;

constexpr int kRecords = 1000000;

std::string Dir() {
    static const std::string dir = [] {
        auto d = std::filesystem::temp_directory_path() / "kor2-ndx-bench";
        std::filesystem::create_directories(d);
        return d.string();
    }();
    return dir;
}

// Key of record i: a scrambled 10-digit text, so that the input is unsorted.
uint64_t KeyOf(int i) {
    return (static_cast<uint64_t>(i) * 2654435761u) % 10000000000ull;
}

// A table KEY C(10), NR N(10,0) of 1 000 000 records, written once per run.
const std::string& BigTable() {
    static const std::string path = [] {
        InitTableEngine();
        ErrorHandling = false;
        const std::string p = Dir() + "/keys.dbf";
        DbfArea a;
        CreateDbf(a, p, 2, {{"KEY", 'C', 10, 0}, {"NR", 'N', 10, 0}});
        const int64_t headerLength = a.headerLength;
        CloseDbf(a);
        // Records written straight after the header, then the count.
        std::fstream f(p, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(headerLength);
        std::string records;
        records.reserve(static_cast<size_t>(kRecords) * 21 + 1);
        for (int i = 0; i < kRecords; ++i) {
            const std::string key = std::to_string(KeyOf(i));
            const std::string nr = std::to_string(i);
            records += ' ' + std::string(10 - key.size(), '0') + key +
                       std::string(10 - nr.size(), ' ') + nr;
        }
        records += '\x1A';
        f.write(records.data(), static_cast<std::streamsize>(records.size()));
        const uint32_t count = kRecords;
        f.seekp(4);
        f.write(reinterpret_cast<const char*>(&count), 4);
        return p;
    }();
    return path;
}

void Start() {
    const std::string& table = BigTable();
    InitTableEngine();
    ErrorHandling = false;
    InitExprParser();
    IndexInit();
    NetworkMode = false;  // one program: the controlling order keeps a node cache
    Select(1);
    Use(QuoteName(table) + " EXCLUSIVE", nullptr, 0);
}

void Stop() {
    IndexDone();
    ShutdownTableEngine();
}

void BM_BuildCharIndex(benchmark::State& state) {
    Start();
    IndexSortCapacity = static_cast<size_t>(state.range(0));
    for (auto _ : state) Index_On("KEY", QuoteName(Dir() + "/key.ndx"));
    IndexSortCapacity = 1 << 20;
    if (EngineErrorCode != 0) state.SkipWithError(EngineErrorMsg.c_str());
    Stop();
}
BENCHMARK(BM_BuildCharIndex)
    ->Arg(1 << 20)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

void BM_BuildNumIndex(benchmark::State& state) {
    Start();
    for (auto _ : state) Index_On("NR", QuoteName(Dir() + "/nr.ndx"));
    if (EngineErrorCode != 0) state.SkipWithError(EngineErrorMsg.c_str());
    Stop();
}
BENCHMARK(BM_BuildNumIndex)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_SeekRandomKey(benchmark::State& state) {
    Start();
    Index_On("KEY", QuoteName(Dir() + "/key.ndx"));
    std::mt19937 rng(1);
    char key[16];
    int64_t found = 0;
    for (auto _ : state) {
        std::snprintf(key, sizeof key, "%010llu",
                      static_cast<unsigned long long>(KeyOf(static_cast<int>(rng() % kRecords))));
        found += Find(key);
    }
    if (found != state.iterations()) state.SkipWithError("a key was not found");
    Stop();
}
BENCHMARK(BM_SeekRandomKey)->Unit(benchmark::kMicrosecond);

void BM_WalkOrder(benchmark::State& state) {
    Start();
    Index_On("KEY", QuoteName(Dir() + "/key.ndx"));
    for (auto _ : state) {
        int64_t n = 0;
        for (int32_t r = IndexGoTop(); !IndexEof(); r = FindNextRec()) n += r > 0;
        benchmark::DoNotOptimize(n);
    }
    Stop();
}
BENCHMARK(BM_WalkOrder)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_InsertKeys(benchmark::State& state) {
    Start();
    Index_On("KEY", QuoteName(Dir() + "/key.ndx"));
    IndexControlBlock* b = OrderBlock(1);
    std::mt19937 rng(2);
    char key[16];
    for (auto _ : state) {
        std::snprintf(key, sizeof key, "%010u", static_cast<unsigned>(rng()));
        AppendIndex(*b, std::string(key, 10), kRecords);
    }
    Stop();
}
BENCHMARK(BM_InsertKeys)->Unit(benchmark::kMicrosecond);

// The repair of a 1 000 000-key order that a dead writer left marked: the
// open of the index rebuilds it from the table in its own file.
void BM_RepairMarkedOrder(benchmark::State& state) {
    Start();
    const std::string index = Dir() + "/key.ndx";
    Index_On("KEY", QuoteName(index));
    for (auto _ : state) {
        state.PauseTiming();
        CloseAllIndexes();
        {
            // The mark a writer puts on the header at the start of a change.
            std::fstream f(index, std::ios::in | std::ios::out | std::ios::binary);
            f.seekp(ndx::HdrChangeMark);
            f.write(reinterpret_cast<const char*>(ndx::ChangeMarkBytes), ndx::HdrChangeMarkSize);
        }
        state.ResumeTiming();
        OpenIndexFile(index, 1);
    }
    if (EngineErrorCode != 0) state.SkipWithError(EngineErrorMsg.c_str());
    Stop();
}
BENCHMARK(BM_RepairMarkedOrder)->Unit(benchmark::kMillisecond)->Iterations(3);

// Appends to a table of 10 000 records with an index on its key: opened
// exclusively (0), shared under one file lock for all appends (1), and
// shared with the append lock taken and released for each append (2).
void BM_AppendWithIndex(benchmark::State& state) {
    const int mode = static_cast<int>(state.range(0));
    InitTableEngine();
    ErrorHandling = false;
    InitExprParser();
    IndexInit();
    const std::string table = Dir() + "/append.dbf", index = Dir() + "/append.ndx";
    std::filesystem::remove(table);
    std::filesystem::remove(index);
    {
        DbfArea a;
        CreateDbf(a, table, 1, {{"KEY", 'C', 10, 0}});
        CloseDbf(a);
    }
    NetworkMode = false;
    Select(1);
    Use(QuoteName(table) + " EXCLUSIVE", nullptr, 0);
    Index_On("KEY", QuoteName(index));
    const auto append = [](uint64_t key) {
        ClearRecord();
        char text[16];
        std::snprintf(text, sizeof text, "%010llu", static_cast<unsigned long long>(key));
        uint8_t* p = FieldAddress(1);
        p[0] = 10;
        std::memcpy(p + 1, text, 10);
        Append();
    };
    for (int i = 0; i < 10000; ++i) append(KeyOf(i));
    CloseArea();
    NetworkMode = mode != 0;
    Use(QuoteName(table) + (mode == 0 ? " EXCLUSIVE" : ""), nullptr, 0);
    OpenIndexFile(index, 1);
    if (mode == 1) FLock();
    uint64_t i = 10000;
    for (auto _ : state) {
        if (mode == 2) ALock();
        append(KeyOf(static_cast<int>(i++)));
        if (mode == 2) Unlock();
    }
    if (EngineErrorCode != 0) state.SkipWithError(EngineErrorMsg.c_str());
    Unlock();
    CloseArea();
    NetworkMode = false;
    Stop();
}
BENCHMARK(BM_AppendWithIndex)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(10000);

// Reindex of both orders of the big table (new files beside the old ones).
void BM_ReindexTwoOrders(benchmark::State& state) {
    Start();
    Index_On("KEY", QuoteName(Dir() + "/key.ndx"));
    OpenIndexFile(Dir() + "/key.ndx", 1);
    Index_On("NR", QuoteName(Dir() + "/nr.ndx"));
    CloseAllIndexes();
    OpenIndexFile(Dir() + "/key.ndx", 1);
    OpenIndexFile(Dir() + "/nr.ndx", 2);
    for (auto _ : state) Reindex();
    if (EngineErrorCode != 0) state.SkipWithError(EngineErrorMsg.c_str());
    Stop();
}
BENCHMARK(BM_ReindexTwoOrders)->Unit(benchmark::kMillisecond)->Iterations(3);

// Pack of a copy of the big table with every fifth record deleted and both
// orders open: the table and the indexes are written anew and renamed.
void BM_PackWithTwoOrders(benchmark::State& state) {
    const std::string fixture = Dir() + "/packfix.dbf";
    Start();
    if (!std::filesystem::exists(fixture)) {
        std::filesystem::copy_file(BigTable(), fixture);
        CloseArea();
        Use(QuoteName(fixture) + " EXCLUSIVE", nullptr, 0);
        for (int32_t r = 5; r <= RecCount(); r += 5) {
            Go(r);
            DeleteRec();
        }
    }
    CloseArea();
    const std::string table = Dir() + "/pack.dbf";
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::copy_file(fixture, table,
                                   std::filesystem::copy_options::overwrite_existing);
        Use(QuoteName(table) + " EXCLUSIVE", nullptr, 0);
        Index_On("KEY", QuoteName(Dir() + "/pkey.ndx"));
        CloseAllIndexes();
        Index_On("NR", QuoteName(Dir() + "/pnr.ndx"));
        CloseAllIndexes();
        OpenIndexFile(Dir() + "/pkey.ndx", 1);
        OpenIndexFile(Dir() + "/pnr.ndx", 2);
        state.ResumeTiming();
        Pack();
        state.PauseTiming();
        if (EngineErrorCode != 0) state.SkipWithError(EngineErrorMsg.c_str());
        CloseArea();
        state.ResumeTiming();
    }
    Stop();
}
BENCHMARK(BM_PackWithTwoOrders)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
