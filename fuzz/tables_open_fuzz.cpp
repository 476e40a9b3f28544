// libFuzzer target: opens arbitrary bytes as a dBase table through Use, reads
// every record, its fields and a text search, then appends, deletes and packs.
// A damaged table must give an engine error, never a crash or a read outside
// a buffer.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "tables/area/changes.h"
#include "tables/area/engine.h"
#include "tables/area/navigation.h"
#include "tables/area/search.h"
#include "tables/area/workareas.h"
#include "tables/base/commandtext.h"
#include "tables/base/engineerror.h"

namespace {

const std::string& TablePath() {
    static const std::string path = "/tmp/kor2-fuzz-" + std::to_string(getpid()) + ".dbf";
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kor2;
    static const bool started = [] {
        InitTableEngine();
        return true;
    }();
    (void)started;
    ErrorHandling = false;
    EngineErrorCode = 0;
    if (std::FILE* f = std::fopen(TablePath().c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    if (Use(QuoteName(TablePath()) + " EXCLUSIVE", nullptr, 0)) {
        int guard = 0;
        while (!dEOF() && EngineErrorCode == 0 && ++guard < 100000) {
            for (int i = 1; i <= FieldCount(); ++i) (void)FieldText(i);
            (void)Peek(1, RecNo());
            Skip(1);
        }
        int field = 0;
        EngineErrorCode = 0;
        Search("a", field, true);
        // The change commands on the same damaged table.
        ClearRecord();
        Append();
        Go(1);
        DeleteRec();
        Pack();
        CloseArea();
    }
    std::remove(TablePath().c_str());
    return 0;
}
