// Fuzz target of the memo file layer: the first input byte picks the memo
// format (dBase III, dBase IV, level 7, FoxPro), the rest is the memo file;
// it is opened and every block is read into the memo pad and as a byte stream.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>

#include "tables/area/engine.h"
#include "tables/base/engineerror.h"
#include "tables/dbf/dbffile.h"
#include "tables/memo/memofile.h"
#include "tables/memo/memostream.h"

namespace {

const std::string& Base() {
    static const std::string base = "/tmp/kor2_memo_fuzz_" + std::to_string(getpid());
    return base;
}

void ReadEveryMemo(kor2::TMemoFileRec& m, int64_t fileSize) {
    const int64_t blocks = fileSize / m.blockSize + 1;
    char buf[300];
    for (int64_t b = 0; b <= blocks && b < 2048; ++b) {
        const auto block = static_cast<int32_t>(b);
        kor2::GetMemo(m, block);
        kor2::FreeMemoPad();
        if (kor2::CreateBlobDescriptor(m, true, block, kor2::BlobRead) != 0 || block == 0) {
            kor2::SeekBlobStream(m, 0, 2);
            kor2::SeekBlobStream(m, 3, 0);
            while (kor2::ReadBlobStream(m, buf, sizeof buf) > 0) {
            }
            kor2::DestroyBlobDescriptor(m);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool started = [] {
        kor2::InitTableEngine();
        kor2::ErrorHandling = false;
        return true;
    }();
    (void)started;
    if (size < 1) return 0;
    static const uint8_t types[] = {0x83, 0x8B, 0x8C, 0xF5};
    const uint8_t type = types[data[0] % 4];
    const std::string memoName = Base() + (type == 0xF5 ? ".FPT" : ".DBT");
    {
        std::ofstream out(memoName, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data + 1), static_cast<std::streamsize>(size - 1));
    }
    kor2::DbfArea area;
    area.prolog[0] = type;
    area.exclusive = true;
    if (kor2::OpenMemofile(area, Base())) {
        kor2::TMemoFileRec* m = kor2::MemoFileOf(area);
        ReadEveryMemo(*m, static_cast<int64_t>(size - 1));
        kor2::CloseMemofile(area);
    }
    kor2::EngineErrorCode = 0;
    std::remove(memoName.c_str());
    return 0;
}
