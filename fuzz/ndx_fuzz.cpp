// libFuzzer target: opens arbitrary bytes as the index file of a small table
// through SetIndexTo, walks it both ways, seeks keys, then appends, changes
// and packs records so that keys are inserted into and deleted from the
// tree. A damaged index must give an engine error, never a crash.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/hostfs.h"
#include "platform/runtemp.h"
#include "tables/area/changes.h"
#include "tables/area/engine.h"
#include "tables/area/navigation.h"
#include "tables/area/workareas.h"
#include "tables/base/commandtext.h"
#include "tables/base/engineerror.h"
#include "tables/expr/expression.h"
#include "tables/index/ndxbuild.h"
#include "tables/index/orders.h"

namespace {

using namespace kor2;

// The files of a run lie in the run's private temporary folder, which goes
// with the run.
std::string Base() {
    static const std::string base =
        platform::HostPath(platform::CurrentPrivateTempFolder()) + "ndxfuzz";
    return base;
}

void WriteBytes(const std::string& path, const void* data, size_t size) {
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
}

// The table T C(8) with the records "a" .. "e", as bytes, made once.
const std::string& TableBytes() {
    static const std::string bytes = [] {
        const std::string path = Base() + ".dbf";
        DbfArea a;
        CreateDbf(a, path, 1, {{"T", 'C', 8, 0}});
        CloseDbf(a);
        Select(1);
        Use(QuoteName(path) + " EXCLUSIVE", nullptr, 0);
        for (const char* t : {"a", "b", "c", "d", "e"}) {
            ClearRecord();
            uint8_t* p = FieldAddress(1);
            p[0] = 1;
            p[1] = static_cast<uint8_t>(t[0]);
            Append();
        }
        CloseArea();
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }();
    return bytes;
}

void SetText(const char* t) {
    uint8_t* p = FieldAddress(1);
    const size_t n = std::char_traits<char>::length(t);
    p[0] = static_cast<uint8_t>(n);
    for (size_t i = 0; i < n; ++i) p[1 + i] = static_cast<uint8_t>(t[i]);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool started = [] {
        InitTableEngine();
        ErrorHandling = false;
        InitExprParser();
        IndexInit();
        return true;
    }();
    (void)started;
    ErrorHandling = false;
    EngineErrorCode = 0;
    const std::string& table = TableBytes();
    WriteBytes(Base() + ".dbf", table.data(), table.size());
    WriteBytes(Base() + ".ndx", data, size);
    Select(1);
    if (!Use(QuoteName(Base() + ".dbf") + " EXCLUSIVE", nullptr, 0)) return 0;
    if (OpenIndexFile(Base() + ".ndx", 1) || OrderBlock(1)) {
        int guard = 0;
        for (GoTop(); !dEOF() && EngineErrorCode == 0 && ++guard < 200;) Skip(1);
        guard = 0;
        for (GoBottom(); !dBOF() && EngineErrorCode == 0 && ++guard < 200;) Skip(-1);
        for (const char* key : {"a", "c", "zz", ""}) Find(key);
        Go(2);
        SetText("bb");
        Replace();
        ClearRecord();
        SetText("ca");
        Append();
        Go(1);
        DeleteRec();
        Pack();
        guard = 0;
        for (GoTop(); !dEOF() && EngineErrorCode == 0 && ++guard < 200;) Skip(1);
    }
    EngineErrorCode = 0;
    CloseArea();
    return 0;
}
