// Helpers of the index tests: fixture start-up and shut-down, test tables,
// field setters and order walks.
#include "tables/index/ndx_testutil.h"

#include <cstdio>
#include <cstring>

#include "tables/area/navigation.h"
#include "tables/area/workareas.h"
#include "tables/base/engineerror.h"
#include "tables/expr/expression.h"
#include "tables/index/orders.h"

namespace kor2::test {

void NdxTest::SetUp() {
    EngineTest::SetUp();
    InitExprParser();
    IndexInit();
}

void NdxTest::TearDown() {
    IndexDone();
    EngineTest::TearDown();
}

std::string NdxTest::OpenRows(const std::vector<std::vector<std::string>>& rows,
                              const std::string& name) {
    const std::string path = Path(name);
    MakeTable(path, {{"T", 'C', 8, 0}, {"N", 'N', 6, 0}, {"D", 'D', 8, 0}});
    std::vector<std::vector<std::string>> raw;
    for (const auto& r : rows)
        raw.push_back({" ", r.at(0), r.at(1), r.size() > 2 ? r[2] : "        "});
    AppendRaw(path, raw);
    Select(1);
    EXPECT_TRUE(Use(path + " EXCLUSIVE", nullptr, 0)) << EngineErrorMsg;
    return path;
}

void SetText(int field, const std::string& text) {
    uint8_t* p = FieldAddress(field);
    const size_t n = std::min<size_t>(text.size(), 8);
    p[0] = static_cast<uint8_t>(n);
    std::memcpy(p + 1, text.data(), n);
}

void SetT(const std::string& text) {
    SetText(1, text);
}

void SetN(int32_t n) {
    std::memcpy(FieldAddress(2), &n, sizeof n);
}

std::vector<int32_t> WalkForward() {
    std::vector<int32_t> recs;
    GoTop();
    for (int guard = 0; !dEOF() && guard < 100000; ++guard) {
        recs.push_back(RecNo());
        Skip(1);
        if (EngineErrorCode != 0) break;
    }
    return recs;
}

std::vector<int32_t> WalkBackward() {
    std::vector<int32_t> recs;
    GoBottom();
    for (int guard = 0; !dBOF() && guard < 100000; ++guard) {
        recs.push_back(RecNo());
        Skip(-1);
        if (EngineErrorCode != 0) break;
    }
    return recs;
}

std::string BlockHex(const std::string& bytes, size_t block) {
    std::string out;
    char hex[4];
    for (size_t i = block * 512; i < std::min(bytes.size(), (block + 1) * 512); ++i) {
        std::snprintf(hex, sizeof hex, "%02x ", static_cast<unsigned char>(bytes[i]));
        out += hex;
    }
    return out;
}

}  // namespace kor2::test
