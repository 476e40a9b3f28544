// Shared helpers of the table engine tests: a fixture that resets the engine
// with error handling off in its own temporary folder, and small file helpers.
#pragma once

#include <gtest/gtest.h>

#include <sys/types.h>

#include <string>
#include <vector>

#include "support/tempdir.h"
#include "tables/dbf/dbffile.h"

namespace kor2::test {

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    std::string Path(const std::string& name) const { return dir_.file(name); }
    // Expects the last engine error to be code with a message containing part.
    void ExpectError(uint16_t code, const std::string& part);

    TempDir dir_;
};

// The engine's separators for a language with a decimal point: the engine
// took them from LANG, and the tests expect the point whatever LANG the run has.
void PointSeparators();

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
std::string Bytes(std::initializer_list<int> values);

// Creates a table with the given fields; fails the test on error.
void MakeTable(const std::string& path, const std::vector<DbfFieldDef>& fields);
// Every record's fields as stored texts (after the read conversion), with the
// deletion flag as the first element.
std::vector<std::vector<std::string>> ReadAllRecords(const std::string& path);
// Appends records given as field texts (first element: the deletion flag).
void AppendRaw(const std::string& path, const std::vector<std::vector<std::string>>& rows);

// Directory of the checked-in test tables.
std::string DataDir();

// Runs this test executable again as a separate program with only the
// (disabled) test `filter` and the extra environment entries; -1 on failure.
pid_t SpawnSelf(const std::string& filter, const std::vector<std::string>& env);
// The exit code of a spawned program, -1 when it did not end normally.
int WaitChild(pid_t pid);
// The value of an environment variable, empty when unset.
std::string EnvText(const char* name);

}  // namespace kor2::test
