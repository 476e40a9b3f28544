// Speed of the table engine: reading every record of a 1 000 000-record table
// sequentially (beside shapelib's C library reading the same table when
// libshp is installed), appending 100 000 records, Go to random records.
#include <benchmark/benchmark.h>
#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include "tables/area/changes.h"
#include "tables/area/engine.h"
#include "tables/area/navigation.h"
#include "tables/area/workareas.h"
#include "tables/base/commandtext.h"
#include "tables/base/engineerror.h"
#include "tables/dbf/dbffile.h"

namespace {

using namespace kor2;

constexpr int kRecords = 1000000;

const std::vector<DbfFieldDef> kFields = {
    {"NAME", 'C', 30, 0}, {"ORT", 'C', 20, 0}, {"NR", 'N', 8, 0},    {"WERT", 'N', 12, 2},
    {"DATUM", 'D', 0, 0}, {"OK", 'L', 0, 0},   {"KURZ", 'C', 10, 0}, {"MENGE", 'N', 10, 3}};

std::string Dir() {
    static const std::string dir = [] {
        auto d = std::filesystem::temp_directory_path() / "kor2-tables-bench";
        std::filesystem::create_directories(d);
        return d.string();
    }();
    return dir;
}

// The 1 000 000-record table, written once per run.
const std::string& BigTable() {
    static const std::string path = [] {
        InitTableEngine();
        ErrorHandling = false;
        const std::string p = Dir() + "/big.dbf";
        DbfArea a;
        CreateDbf(a, p, static_cast<int>(kFields.size()), kFields);
        std::string bytes;
        {
            std::FILE* f = std::fopen(p.c_str(), "rb");
            char buf[1024];
            const size_t n = std::fread(buf, 1, sizeof buf, f);
            std::fclose(f);
            bytes.assign(buf, n - 1);  // without the end byte
        }
        const uint32_t count = kRecords;
        std::memcpy(&bytes[4], &count, 4);
        char rec[128];
        for (int i = 0; i < kRecords; ++i) {
            std::snprintf(rec, sizeof rec, " %-30.30s%-20.20s%8d%12.2f%04d%02d%02d%c%-10.10s%10.3f",
                          ("Name " + std::to_string(i)).c_str(), "Stadt", i, i * 0.25,
                          1950 + i % 70, 1 + i % 12, 1 + i % 28, i % 2 ? 'T' : 'F', "kurz",
                          i / 7.0);
            bytes.append(rec, 100);
        }
        bytes += '\x1A';
        std::FILE* f = std::fopen(p.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
        return p;
    }();
    return path;
}

void BM_TablesSequentialRead(benchmark::State& state) {
    const std::string path = BigTable();
    InitTableEngine();
    ErrorHandling = false;
    if (!Use(QuoteName(path) + " EXCLUSIVE", nullptr, 0)) state.SkipWithError("Use failed");
    int64_t records = 0;
    for (auto _ : state) {
        GoTop();
        while (!dEOF()) {
            benchmark::DoNotOptimize(FieldAddress(0)[1]);
            ++records;
            Skip(1);
        }
    }
    CloseArea();
    state.counters["records/s"] =
        benchmark::Counter(static_cast<double>(records), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_TablesSequentialRead)->Unit(benchmark::kMillisecond);

// shapelib's C library, loaded at run time so that the build needs no link to it.
struct Shapelib {
    using Open = void* (*)(const char*, const char*);
    using Close = void (*)(void*);
    using Count = int (*)(void*);
    using ReadString = const char* (*)(void*, int, int);
    using ReadDouble = double (*)(void*, int, int);
    using ReadLogical = const char* (*)(void*, int, int);
    void* lib = nullptr;
    Open open = nullptr;
    Close close = nullptr;
    Count count = nullptr;
    ReadString readString = nullptr;
    ReadDouble readDouble = nullptr;
    Shapelib() {
        for (const char* name : {"libshp.so", "libshp.so.4", "libshp.so.2"})
            if ((lib = dlopen(name, RTLD_NOW)) != nullptr) break;
        if (!lib) return;
        open = reinterpret_cast<Open>(dlsym(lib, "DBFOpen"));
        close = reinterpret_cast<Close>(dlsym(lib, "DBFClose"));
        count = reinterpret_cast<Count>(dlsym(lib, "DBFGetRecordCount"));
        readString = reinterpret_cast<ReadString>(dlsym(lib, "DBFReadStringAttribute"));
        readDouble = reinterpret_cast<ReadDouble>(dlsym(lib, "DBFReadDoubleAttribute"));
    }
    bool ok() const { return open && close && count && readString && readDouble; }
};

void BM_ShapelibSequentialRead(benchmark::State& state) {
    static Shapelib shp;
    if (!shp.ok()) {
        state.SkipWithError("libshp is not installed");
        return;
    }
    void* h = shp.open(BigTable().c_str(), "rb");
    int64_t records = 0;
    for (auto _ : state) {
        const int n = shp.count(h);
        for (int i = 0; i < n; ++i) {
            // The same work as the engine's typed buffer: every field converted.
            benchmark::DoNotOptimize(shp.readString(h, i, 0));
            benchmark::DoNotOptimize(shp.readString(h, i, 1));
            benchmark::DoNotOptimize(shp.readDouble(h, i, 2));
            benchmark::DoNotOptimize(shp.readDouble(h, i, 3));
            benchmark::DoNotOptimize(shp.readString(h, i, 4));
            benchmark::DoNotOptimize(shp.readString(h, i, 5));
            benchmark::DoNotOptimize(shp.readString(h, i, 6));
            benchmark::DoNotOptimize(shp.readDouble(h, i, 7));
            ++records;
        }
    }
    shp.close(h);
    state.counters["records/s"] =
        benchmark::Counter(static_cast<double>(records), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ShapelibSequentialRead)->Unit(benchmark::kMillisecond);

void BM_TablesAppend100k(benchmark::State& state) {
    const std::string path = Dir() + "/append.dbf";
    for (auto _ : state) {
        state.PauseTiming();
        InitTableEngine();
        ErrorHandling = false;
        DbfArea a;
        CreateDbf(a, path, static_cast<int>(kFields.size()), kFields);
        Use(QuoteName(path) + " EXCLUSIVE", nullptr, 0);
        state.ResumeTiming();
        for (int i = 0; i < 100000; ++i) {
            ClearRecord();
            int32_t nr = i;
            std::memcpy(FieldAddress(3), &nr, 4);
            Append();
        }
        CloseArea();
    }
    state.SetItemsProcessed(state.iterations() * 100000);
}
BENCHMARK(BM_TablesAppend100k)->Unit(benchmark::kMillisecond);

void BM_TablesGoRandom(benchmark::State& state) {
    const std::string path = BigTable();
    InitTableEngine();
    ErrorHandling = false;
    Use(QuoteName(path) + " EXCLUSIVE", nullptr, 0);
    std::mt19937 rng(42);
    std::uniform_int_distribution<int32_t> pick(1, kRecords);
    for (auto _ : state) {
        Go(pick(rng));
        benchmark::DoNotOptimize(FieldAddress(0)[1]);
    }
    CloseArea();
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TablesGoRandom);

}  // namespace

BENCHMARK_MAIN();
