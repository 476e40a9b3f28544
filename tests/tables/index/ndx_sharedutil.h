// Helpers of the tests in which real second programs share a table and its
// index: the child program's start and end, and a fixture that opens the
// table shared and lets another program re-key or append records.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tables/index/ndx_testutil.h"

namespace kor2::test {

// The trimmed key field T of the current record.
std::string Key();
// A child program's start: the engine, the table KOR2_TABLE shared, its
// index KOR2_INDEX as order 1 and KOR2_INDEX2, when given, as order 2; and
// its end.
void OpenShared();
void CloseShared();
// Runs the program that gives record `record` of the shared table the key
// `key` (record 0: appends a record with that key); its exit code.
int ChangeInOtherProgram(const std::string& table, const std::string& index, int32_t record,
                         const std::string& key);

// Another program that opens the shared table with its indexes (orders 1
// and 2), takes the append lock when told, and appends a record with the
// `keys` in its first fields when told again; `dir` holds the files through
// which the two programs speak.
class AppendWhenTold {
public:
    AppendWhenTold(const std::string& table, const std::vector<std::string>& indexes,
                   const std::vector<std::string>& keys, const std::string& dir);
    ~AppendWhenTold();
    AppendWhenTold(const AppendWhenTold&) = delete;
    AppendWhenTold& operator=(const AppendWhenTold&) = delete;
    // Each false when the program ended first.
    bool WaitUntilOpen();
    bool TakeLock();  // tells it to take the append lock and waits until it holds it
    void Tell(const std::string& step = "go");  // tells it to append (once)
    // Tells it every step, waits for its end: its exit code.
    int Finish();

private:
    bool Await(const std::string& step);
    std::string dir_;
    pid_t pid_ = -1;
};

// Runs `work` once, at the moment this program next takes the index layer's
// read protection (just before it is taken): a window in which another
// program may still change the shared files.
class BeforeNextRead {
public:
    explicit BeforeNextRead(std::function<void()> work);
    ~BeforeNextRead();
    BeforeNextRead(const BeforeNextRead&) = delete;
    BeforeNextRead& operator=(const BeforeNextRead&) = delete;
    bool Done() const { return !work_; }

private:
    std::function<void()> work_;
    std::function<void(int)> saved_;
};

class SharedNdxTest : public NdxTest {
protected:
    void SetUp() override;
    void TearDown() override;
    // The table with the given keys and an index on them, opened shared.
    void OpenSharedRows(const std::vector<std::string>& keys);
    // Another program gives record `record` the key; record 0 appends a
    // record with that key.
    void RekeyInOtherProgram(int32_t record, const std::string& key);
    void AppendInOtherProgram(const std::string& key) { RekeyInOtherProgram(0, key); }
    // No error, not at the end, on `record` whose key is `key`.
    void ExpectAt(int32_t record, const std::string& key);

    std::string table_, index_ = Path("t.ndx");
};

}  // namespace kor2::test
