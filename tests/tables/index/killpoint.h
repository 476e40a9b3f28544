// Kill-point harness: a table change runs in a child process that dies
// (SIGKILL) or gets a failing write (no room, I/O error) at its n-th file
// write, for n = 1, 2, ... until the change completes before reaching n.
// A program may have the table open before the child starts and act on it
// after the child ended. Then another process opens the table shared and
// exclusively (and, when asked, one that may only read it) and checks that
// every order meets every record once and in key order, that Find lands on
// a record of its key, that the records before the change are unchanged and
// the change whole or absent, and that 50 random appends and re-keys keep
// all of it true. Once another program opened the table, the folder holds
// no file the fixture did not have.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "support/tempdir.h"
#include "tables/dbf/dbffile.h"

namespace kor2::test {

// Raw records (deletion flag and field bytes) in record number order.
using KillRows = std::vector<std::string>;

// A fixture table: K C(8) and M C(8), then the extra fields; order 1 on K
// (k.ndx), order 2 on M (m.ndx) when twoOrders. Keys are lower case.
struct KillShape {
    int records = 31;
    bool runs = false;  // K in runs of equal keys that cross node boundaries
    bool twoOrders = false;
    std::vector<DbfFieldDef> extraFields;
    uint8_t version = 0;  // table version byte; 0 the engine's default
    // Runs once on the fixture's table when it is built (closed, no area in use).
    std::function<void(const std::string& table)> prepare;
    std::string name;  // fixture cache key; made from the values above when empty
    std::string Name() const;
};

// The K and M texts of record i (1-based) of a fixture.
std::string KillKey(const KillShape& shape, int i);
std::string KillOtherKey(const KillShape& shape, int i);

enum class KillMode {
    Kill,            // SIGKILL before the write
    NoRoom,          // the write fails with ENOSPC, later ones work
    IoError,         // the write fails with EIO, later ones work
    NoRoomForGood,   // this write and every later one fail with ENOSPC
    IoErrorForGood,  // this write and every later one fail with EIO
    // SIGKILL before the n-th rename of a file; no write fails.
    KillBeforeRename,
};
std::string KillModeName(KillMode mode);

// A program that has the table open shared (area 1, order 1 controlling)
// in the checking process while the child changes it.
struct RunningProgram {
    // Runs once the table is open, before the child starts.
    std::function<void()> before;
    // Runs after the child ended; `absent` and `whole` are the records the
    // dead change leaves in either outcome, before this program's own changes.
    std::function<void(const KillRows& absent, const KillRows& whole)> after;
    // What this program's own changes do to the records.
    std::function<KillRows(KillRows rows)> effect;
};

// Called by a change made of several steps after each step that reported
// success (in the child).
void KillStepDone();

struct KillCase {
    std::string name;
    KillShape shape;
    // The child opens the table shared (else EXCLUSIVE); the checking program
    // then opens it shared once before its checks.
    bool sharedWriter = false;
    // Runs in the child with the table and its orders open in area 1, order 1
    // controlling; takes and releases the locks it needs. True when the
    // change reports success.
    std::function<bool()> operation;
    // The records the completed change leaves, from those before it.
    std::function<KillRows(const KillRows& before)> whole;
    // A change in steps: the records after the first `steps` steps. The
    // steps reported done must be there, the one under way whole or absent.
    std::function<KillRows(const KillRows& before, int steps)> afterSteps;
    // A program open before the kill (with a shared writer only).
    std::function<RunningProgram()> running;
    // Before the checks, a program that may only read the table (as the
    // account nobody when this runs as root) opens it read-only.
    bool readOnlyReader = false;
    // Optional check in the checking process with the table open (after the
    // standard checks); wholeChange tells which outcome the records showed.
    std::function<void(bool wholeChange)> extraCheck;
    // Kill points tried: every one up to `every`, then every step-th with
    // the step growing by an eighth, so that long changes stay quick.
    int every = 40;
};

// Results of one case, for the caller's expectations.
struct KillReport {
    int points = 0;     // kill points run
    int completed = 0;  // the last n the change reached: its write count + 1
    int repaired = 0;   // runs after which the change was absent
    int marked = 0;     // runs that left a change mark on an index
};

// Runs a case in the given modes; failures go to GoogleTest.
class KillPointHarness {
public:
    KillPointHarness();
    // Its tables in a folder inside `base` instead of the temporary folder.
    explicit KillPointHarness(const std::filesystem::path& base);
    ~KillPointHarness();
    KillPointHarness(const KillPointHarness&) = delete;
    KillPointHarness& operator=(const KillPointHarness&) = delete;

    KillReport Run(const KillCase& c, KillMode mode);
    // Runs the case in each mode with an exclusive writer, then (sharedToo)
    // with a shared one; expects every change to write; stops at a failure.
    // The reports in the order run.
    std::vector<KillReport> RunModes(KillCase c, const std::vector<KillMode>& modes,
                                     bool sharedToo = true);
    // A copy of the shape's fixture in `dir` (table t.dbf, k.ndx, m.ndx);
    // returns the table's path.
    std::string CopyFixture(const KillShape& shape, const std::string& dir);
    const TempDir& dir() const { return dir_; }

private:
    const std::string& Fixture(const KillShape& shape);
    // How the child ended: its exit (128 + signal when killed), the steps it
    // reported done, whether it left a change mark; -1 when it could not run.
    struct ChildEnd {
        int exit = -1;
        int steps = 0;
        bool marked = false;
    };
    // A running program acts after the child ended.
    ChildEnd RunChild(const KillCase& c, KillMode mode, int n, const std::string& dir,
                      const KillRows& before);
    // The checks after a run; steps: the steps of the change reported done.
    void Check(const KillCase& c, const std::string& dir, const KillRows& before, int steps,
               int outcome, bool strict, uint32_t seed, KillReport& report);

    TempDir dir_;
    std::map<std::string, std::string> fixtures_;
    int runs_ = 0;
};

// Ready-made changes: an Append of a record with keys k and m, a re-key of
// record `record` to k and m (Replace of the key fields).
KillCase AppendCase(const KillShape& shape, const std::string& k, const std::string& m);
KillCase RekeyCase(const KillShape& shape, int32_t record, const std::string& k,
                   const std::string& m);

// Checks in the current area (table and orders open): each order's walks,
// Find and GoBottom against the records rows. Find looks up every key of a
// small table, a sample of a large one's and every key of a record that
// differs from `before`.
void CheckOrdersAgainst(const KillRows& rows, bool twoOrders, const KillRows& before = {});
// The raw records of the current area.
KillRows AreaRows();
// Sets K and M of the record buffer.
void SetKeyFields(const std::string& k, const std::string& m);

}  // namespace kor2::test
