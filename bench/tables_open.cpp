// Speed of opening and closing a small table (shared, with its memo file) in
// folders of 10, 10 000 and 200 000 other files: the cost of an open must
// not grow with the folder. Run by hand; the folders are made once per run
// in the temporary folder and left for the next run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "tables/area/engine.h"
#include "tables/area/workareas.h"
#include "tables/base/engineerror.h"
#include "tables/dbf/dbffile.h"
#include "tables/memo/memoarea.h"

namespace {

using namespace kor2;
namespace fs = std::filesystem;

// A folder with `others` empty files and the table t.dbf (K C(8), NOTE M).
std::string FolderWith(int others) {
    const fs::path dir = fs::temp_directory_path() / ("kor2-open-bench-" + std::to_string(others));
    const std::string table = (dir / "t.dbf").string();
    if (fs::exists(dir / "ready")) return table;
    fs::remove_all(dir);
    fs::create_directories(dir);
    for (int i = 0; i < others; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "other%06d.dat", i);
        std::FILE* f = std::fopen((dir / name).c_str(), "wb");
        if (f != nullptr) std::fclose(f);
    }
    DbfArea a;
    CreateDbf(a, table, 2, {{"K", 'C', 8, 0}, {"NOTE", 'M', 10, 0}});
    std::FILE* f = std::fopen((dir / "ready").c_str(), "wb");
    if (f != nullptr) std::fclose(f);
    return table;
}

void BM_OpenAndClose(benchmark::State& state) {
    InitTableEngine();
    InitMemoUnit();
    ErrorHandling = false;
    const std::string table = FolderWith(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        Select(1);
        if (!Use(table, nullptr, 0)) {
            state.SkipWithError(EngineErrorMsg.c_str());
            return;
        }
        CloseArea();
    }
}
BENCHMARK(BM_OpenAndClose)->Arg(10)->Arg(10000)->Arg(200000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
