// Helpers shared by the table engine tests.
#include "tables/tbtestutil.h"

#include <fstream>
#include <iterator>

#include "tables/tbcommon.h"
#include "tables/tbdates.h"
#include "tables/tbengine.h"
#include "tables/tbhooks.h"

namespace kor2::test {

void EngineTest::SetUp() {
    InitTableEngine();
    ErrorHandling = false;
    SetDateFormat(5);
    CenturyDisplay = false;
}

void EngineTest::TearDown() {
    ErrorHandling = false;
    ShutdownTableEngine();
    ClearEngineHooks();
    SetEngineFileWrapper(nullptr);
}

void EngineTest::ExpectError(uint16_t code, const std::string& part) {
    EXPECT_EQ(EngineErrorCode, code) << EngineErrorMsg;
    EXPECT_NE(EngineErrorMsg.find(part), std::string::npos) << EngineErrorMsg;
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string Bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) s += static_cast<char>(v);
    return s;
}

void MakeTable(const std::string& path, const std::vector<DbfFieldDef>& fields) {
    DbfArea a;
    ASSERT_TRUE(CreateDbf(a, path, static_cast<int>(fields.size()), fields)) << EngineErrorMsg;
}

std::vector<std::vector<std::string>> ReadAllRecords(const std::string& path) {
    std::vector<std::vector<std::string>> rows;
    DbfArea a;
    a.fileName = path;
    EngShareMode = ShareExclusive;
    if (!OpenDbf(a)) return rows;
    for (int32_t n = 1; n <= a.recordCount; ++n) {
        if (!GetDbfRecord(a, n)) break;
        std::vector<std::string> row{a.record.substr(0, 1)};
        for (const auto& f : a.fields) row.push_back(a.record.substr(f.offset, f.length));
        rows.push_back(row);
    }
    CloseDbf(a);
    return rows;
}

void AppendRaw(const std::string& path, const std::vector<std::vector<std::string>>& rows) {
    DbfArea a;
    a.fileName = path;
    EngShareMode = ShareDenyNone;
    ASSERT_TRUE(OpenDbf(a)) << EngineErrorMsg;
    for (const auto& row : rows) {
        a.record.assign(a.recordLength, ' ');
        a.record[0] = row[0][0];
        for (size_t i = 0; i + 1 < row.size() && i < a.fields.size(); ++i) {
            std::string v = row[i + 1];
            v.resize(a.fields[i].length, ' ');
            a.record.replace(a.fields[i].offset, v.size(), v);
        }
        ASSERT_TRUE(AppendDbfRecord(a)) << EngineErrorMsg;
    }
    CloseDbf(a);
}

std::string DataDir() {
    return std::string(KOR2_SOURCE_DIR) + "/tests/data/";
}

}  // namespace kor2::test
