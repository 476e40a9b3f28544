// Helpers shared by the table engine tests.
#include "tables/tbtestutil.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "tables/area/engine.h"
#include "tables/base/enginedates.h"
#include "tables/base/engineerror.h"
#include "tables/dbf/hooks.h"

namespace kor2::test {

void EngineTest::SetUp() {
    InitTableEngine();
    ErrorHandling = false;
    SetDateFormat(5);
    CenturyDisplay = false;
    PointSeparators();
}

void PointSeparators() {
    DecimalSeparator = '.';
    ThousandsSeparator = ',';
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

pid_t SpawnSelf(const std::string& filter, const std::vector<std::string>& env) {
    char exe[4096];
    const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0) return -1;
    exe[n] = 0;
    std::vector<std::string> args = {exe, "--gtest_also_run_disabled_tests",
                                     "--gtest_filter=" + filter};
    std::vector<std::string> envs = env;
    for (char** e = environ; *e; ++e) envs.emplace_back(*e);
    std::vector<char*> argv, envp;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto& e : envs) envp.push_back(e.data());
    envp.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, exe, nullptr, nullptr, argv.data(), envp.data()) != 0) return -1;
    return pid;
}

int WaitChild(pid_t pid) {
    int status = 0;
    if (pid <= 0 || waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string EnvText(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

}  // namespace kor2::test
