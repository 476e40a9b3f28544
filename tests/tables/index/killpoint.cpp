// Kill-point harness: fixtures built once per shape, the change in a forked
// child with the fault plan armed at one write, the checks in this process.
#include "tables/index/killpoint.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <optional>
#include <random>
#include <set>
#include <tuple>
#include <utility>

#include "support/asnobody.h"
#include "tables/area/changes.h"
#include "tables/area/navigation.h"
#include "tables/area/search.h"
#include "tables/area/workareas.h"
#include "tables/base/engineerror.h"
#include "tables/base/enginefile.h"
#include "tables/base/enginestrings.h"
#include "tables/index/ndx_testutil.h"
#include "tables/index/ndxbuild.h"
#include "tables/index/orders.h"
#include "tables/sema/semaphore.h"

namespace kor2::test {

namespace fs = std::filesystem;

namespace {

constexpr int KeyWidth = 8;
constexpr int RunLength = 12;       // equal keys in a run: runs cross 31-key nodes
constexpr size_t FindSample = 400;  // keys looked up with Find in a large table

// Exit codes of the child.
enum ChildExit {
    NothingFailed = 10,      // the change completed before the chosen write
    FailedAndReported = 11,  // a write of the change failed, the change reported it
    FailedButDone = 12,      // a write of the change failed, the change reported success
    FailedInClose = 13,      // only a write of the close failed
    SetupFailed = 20,
    ChangeRefused = 21,  // the change failed with no fault at all
};

std::string Digits(int value, int width) {
    std::string d = std::to_string(value);
    if (static_cast<int>(d.size()) < width) d.insert(0, width - d.size(), '0');
    return d;
}

std::string Padded(std::string text, size_t width) {
    text.resize(width, ' ');
    return text;
}

std::string TableOf(const std::string& dir) {
    return dir + "/t.dbf";
}

// The child's end of the pipe through which it reports the steps done.
int gStepPipe = -1;

// Opens the table of dir in area 1 with its orders, order 1 controlling.
bool OpenTable(const std::string& dir, bool twoOrders, bool shared) {
    Select(1);
    if (!Use(TableOf(dir) + (shared ? "" : " EXCLUSIVE"), nullptr, 0)) return false;
    if (!OpenIndexFile(dir + "/k.ndx", 1)) return false;
    if (twoOrders && !SetIndexTo(dir + "/m.ndx", 2)) return false;
    Set_Order_To(1);
    return EngineErrorCode == 0;
}

bool ForGood(KillMode mode) {
    return mode == KillMode::NoRoomForGood || mode == KillMode::IoErrorForGood;
}

// The child: the change with the fault at write n, then the close. It
// starts once `go` is readable (the program open before it is ready).
[[noreturn]] void ChildMain(const KillCase& c, KillMode mode, int n, const std::string& dir,
                            int go) {
    char byte = 0;
    while (read(go, &byte, 1) < 0 && errno == EINTR) {
    }
    close(go);
    ScopedFaultPlan faults;
    // The faults hit the table, its index and memo files; the semaphore file
    // belongs to the sharing protocol, not to the change.
    faults.plan().covers = [](const std::string& path) {
        return path.size() < 4 || path.compare(path.size() - 4, 4, ".@S@") != 0;
    };
    if (!OpenTable(dir, c.shape.twoOrders, c.sharedWriter)) _exit(SetupFailed);
    FaultPlan& plan = faults.plan();
    plan.writes = 0;
    plan.failWrite = mode == KillMode::KillBeforeRename ? 0 : n;
    plan.killRename = mode == KillMode::KillBeforeRename ? n : 0;
    plan.kill = mode == KillMode::Kill;
    plan.error = mode == KillMode::NoRoom || mode == KillMode::NoRoomForGood ? ENOSPC : EIO;
    plan.failAllAfter = ForGood(mode);
    const bool ok = c.operation();
    const bool inChange = plan.failed;
    CloseArea();
    if (inChange) _exit(ok ? FailedButDone : FailedAndReported);
    if (plan.failed) _exit(FailedInClose);
    _exit(ok ? NothingFailed : ChangeRefused);
}

// The key of record r (1-based) of rows in order o (1 K, 2 M).
std::string RowKey(const KillRows& rows, int32_t r, int o) {
    return rows[r - 1].substr(1 + KeyWidth * (o - 1), KeyWidth);
}

std::string Trimmed(const std::string& s) {
    return AllTrim(s);
}

// The names of the files in dir, without semaphore files.
std::set<std::string> FileNames(const std::string& dir) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir))
        if (entry.path().extension() != ".@S@") names.insert(entry.path().filename().string());
    return names;
}

// Whether an index file of dir carries the change mark.
bool AnyChangeMark(const std::string& dir, bool twoOrders) {
    for (const char* name : {"/k.ndx", "/m.ndx"}) {
        if (!twoOrders && name[1] == 'm') continue;
        const std::string head = ReadFileBytes(dir + name).substr(0, ndx::BlockSize);
        if (head.size() == ndx::BlockSize &&
            HasChangeMark(reinterpret_cast<const uint8_t*>(head.data())))
            return true;
    }
    return false;
}

// The records the dead change leaves when absent and when whole, after what
// a program open before it did itself. Called with the table open: a case
// may read it.
std::pair<KillRows, KillRows> Outcomes(const KillCase& c, const KillRows& before, int steps,
                                       bool withRunning) {
    KillRows absent = c.afterSteps ? c.afterSteps(before, steps) : before;
    KillRows whole = c.afterSteps ? c.afterSteps(before, steps + 1) : c.whole(before);
    if (withRunning && c.running) {
        const RunningProgram p = c.running();
        if (p.effect) {
            absent = p.effect(absent);
            whole = p.effect(whole);
        }
    }
    return {absent, whole};
}

bool Among(const KillRows& rows, const KillRows& absent, const KillRows& whole) {
    return rows == absent || rows == whole;
}

// A program that may only read the table: as nobody (when root) with the
// files left to their owner, read-only. Its natural order shows the records
// before or after the dead change; its orders either open and agree, or
// refuse with the words that the table waits for a program that may write
// it. Returns the records its natural order showed (-1 when unknown), for
// the check against what a program that may write then finds.
int CheckReadOnly(const KillCase& c, const std::string& dir, const KillRows& before, int steps) {
    const bool twoOrders = c.shape.twoOrders;
    SCOPED_TRACE("a program that may only read");
    fs::permissions(dir, fs::perms::others_read | fs::perms::others_exec, fs::perm_options::add);
    fs::permissions(fs::path(dir).parent_path(), fs::perms::others_exec, fs::perm_options::add);
    for (const auto& entry : fs::directory_iterator(dir))
        fs::permissions(entry.path(), fs::perms::others_read, fs::perm_options::add);
    const std::vector<fs::path> none;
    int shown[2];
    if (pipe2(shown, O_NONBLOCK | O_CLOEXEC) != 0) return -1;
    RunAsNobody(none, [&] {
        const uint16_t forced = ForcedOpenMode;
        ForcedOpenMode = 64;  // read access, others may share
        Select(1);
        const bool used = Use(TableOf(dir), nullptr, 0);
        ForcedOpenMode = forced;
        ASSERT_TRUE(used) << EngineErrorMsg;
        const auto [absent, whole] = Outcomes(c, before, steps, true);
        GoBottom();
        const KillRows natural = AreaRows();
        EXPECT_TRUE(Among(natural, absent, whole))
            << "natural order: " << natural.size() << " records";
        const auto count = static_cast<int32_t>(natural.size());
        EXPECT_EQ(write(shown[1], &count, sizeof count), static_cast<ssize_t>(sizeof count));
        ForcedOpenMode = 64;
        const bool opened =
            OpenIndexFile(dir + "/k.ndx", 1) && (!twoOrders || SetIndexTo(dir + "/m.ndx", 2));
        ForcedOpenMode = forced;
        if (opened) {
            Set_Order_To(1);
            GoTop();
            const KillRows rows = AreaRows();
            EXPECT_TRUE(Among(rows, absent, whole)) << rows.size() << " records";
            CheckOrdersAgainst(rows, twoOrders);
        } else {
            EXPECT_EQ(EngineErrorCode, 5) << EngineErrorMsg;
            EXPECT_NE(EngineErrorMsg.find("beendeten Programm"), std::string::npos)
                << EngineErrorMsg;
            EXPECT_NE(EngineErrorMsg.find("Schreibrecht"), std::string::npos) << EngineErrorMsg;
        }
        CloseArea();
    });
    int32_t count = -1;
    if (read(shown[0], &count, sizeof count) != static_cast<ssize_t>(sizeof count)) count = -1;
    close(shown[0]);
    close(shown[1]);
    return count;
}

}  // namespace

void KillStepDone() {
    if (gStepPipe >= 0) {
        const char byte = 's';
        EXPECT_EQ(write(gStepPipe, &byte, 1), 1);
    }
}

std::string KillShape::Name() const {
    if (!name.empty()) return name;
    return "n" + std::to_string(records) + (runs ? "r" : "u") + (twoOrders ? "2" : "1") + "f" +
           std::to_string(extraFields.size()) + "v" + std::to_string(version);
}

std::string KillKey(const KillShape& shape, int i) {
    return shape.runs ? "r" + Digits(i / RunLength, 4) : "k" + Digits(2 * i, 5);
}

std::string KillOtherKey(const KillShape& shape, int i) {
    return "m" + Digits(3 * (shape.records + 1 - i), 5);
}

std::string KillModeName(KillMode mode) {
    switch (mode) {
        case KillMode::Kill:
            return "kill";
        case KillMode::NoRoom:
            return "no room";
        case KillMode::IoError:
            return "I/O error";
        case KillMode::NoRoomForGood:
            return "no room from then on";
        case KillMode::IoErrorForGood:
            return "I/O error from then on";
        case KillMode::KillBeforeRename:
            return "kill before rename";
    }
    return "?";
}

void SetKeyFields(const std::string& k, const std::string& m) {
    SetText(1, k);
    SetText(2, m);
}

KillRows AreaRows() {
    KillRows rows;
    DbfArea& a = *CurrentDbf();
    for (int32_t n = 1; n <= a.recordCount; ++n) {
        if (!GetDbfRecord(a, n)) {
            ADD_FAILURE() << "record " << n << ": " << EngineErrorMsg;
            break;
        }
        rows.push_back(a.record);
    }
    return rows;
}

void CheckOrdersAgainst(const KillRows& rows, bool twoOrders, const KillRows& before) {
    const auto count = static_cast<int32_t>(rows.size());
    for (int o = 1; o <= (twoOrders ? 2 : 1); ++o) {
        SCOPED_TRACE("order " + std::to_string(o));
        Set_Order_To(o);
        ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
        const std::vector<int32_t> walk = WalkForward();
        ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
        std::set<int32_t> met;
        std::string previous;
        for (int32_t r : walk) {
            ASSERT_TRUE(r >= 1 && r <= count) << "record " << r << " of " << count;
            ASSERT_TRUE(met.insert(r).second) << "record " << r << " met twice";
            const std::string key = RowKey(rows, r, o);
            ASSERT_LE(previous, key) << "record " << r << " out of order";
            previous = key;
        }
        ASSERT_EQ(met.size(), rows.size()) << "records missing from the walk";
        EXPECT_EQ(WalkBackward(), std::vector<int32_t>(walk.rbegin(), walk.rend()));
        GoBottom();
        EXPECT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
        if (!walk.empty()) {
            EXPECT_EQ(RecNo(), walk.back());
        }
        // Every key of a small table; of a large one a sample, and each key
        // of a record that is not as it was before.
        std::set<std::string> all, keys;
        for (int32_t r = 1; r <= count; ++r) {
            all.insert(Trimmed(RowKey(rows, r, o)));
            if (static_cast<size_t>(r) > before.size() || rows[r - 1] != before[r - 1])
                keys.insert(Trimmed(RowKey(rows, r, o)));
        }
        const size_t every = std::max<size_t>(1, all.size() / FindSample);
        size_t i = 0;
        for (const std::string& key : all)
            if (i++ % every == 0 || i == all.size()) keys.insert(key);
        for (const std::string& key : keys) {
            ASSERT_TRUE(Find(key)) << key << " " << EngineErrorMsg;
            ASSERT_EQ(Trimmed(FieldText(o)), key);
        }
    }
    Set_Order_To(1);
}

KillPointHarness::KillPointHarness() = default;
KillPointHarness::KillPointHarness(const std::filesystem::path& base) : dir_(base) {}
KillPointHarness::~KillPointHarness() = default;

const std::string& KillPointHarness::Fixture(const KillShape& shape) {
    const std::string name = shape.Name();
    if (auto it = fixtures_.find(name); it != fixtures_.end()) return it->second;
    const std::string dir = dir_.file("fixture-" + name);
    fs::create_directories(dir);
    std::vector<DbfFieldDef> fields = {{"K", 'C', KeyWidth, 0}, {"M", 'C', KeyWidth, 0}};
    fields.insert(fields.end(), shape.extraFields.begin(), shape.extraFields.end());
    const uint8_t version = DefaultCreateVersion;
    if (shape.version != 0) DefaultCreateVersion = shape.version;
    MakeTable(TableOf(dir), fields);
    DefaultCreateVersion = version;
    std::vector<std::vector<std::string>> rows;
    for (int i = 1; i <= shape.records; ++i)
        rows.push_back({" ", KillKey(shape, i), KillOtherKey(shape, i)});
    AppendRaw(TableOf(dir), rows);
    Select(1);
    EXPECT_TRUE(Use(TableOf(dir) + " EXCLUSIVE", nullptr, 0)) << EngineErrorMsg;
    Index_On("K", dir + "/k.ndx");
    EXPECT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    if (shape.twoOrders) {
        Index_On("M", dir + "/m.ndx");
        EXPECT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    }
    CloseArea();
    if (shape.prepare) shape.prepare(TableOf(dir));
    return fixtures_[name] = dir;
}

std::string KillPointHarness::CopyFixture(const KillShape& shape, const std::string& dir) {
    const std::string& from = Fixture(shape);
    fs::remove_all(dir);
    fs::create_directories(dir);
    for (const auto& entry : fs::directory_iterator(from))
        fs::copy_file(entry.path(), fs::path(dir) / entry.path().filename());
    return TableOf(dir);
}

KillPointHarness::ChildEnd KillPointHarness::RunChild(const KillCase& c, KillMode mode, int n,
                                                      const std::string& dir,
                                                      const KillRows& before) {
    ChildEnd end;
    int go[2], done[2];
    if (pipe2(go, O_CLOEXEC) != 0) return end;
    if (pipe2(done, O_NONBLOCK | O_CLOEXEC) != 0) {
        close(go[0]);
        close(go[1]);
        return end;
    }
    const pid_t pid = fork();
    if (pid == 0) {
        close(go[1]);
        close(done[0]);
        gStepPipe = done[1];
        ChildMain(c, mode, n, dir, go[0]);
    }
    close(go[0]);
    close(done[1]);
    // The program open before the change is forked off with no file of the
    // child's, and the child with none of its.
    std::optional<RunningProgram> running;
    if (pid > 0 && c.running) {
        running = c.running();
        EXPECT_TRUE(OpenTable(dir, c.shape.twoOrders, true)) << EngineErrorMsg;
        if (running->before) running->before();
    }
    close(go[1]);
    int status = 0;
    bool waited = pid > 0;
    while (waited && waitpid(pid, &status, 0) < 0) waited = errno == EINTR;
    char buf[64];
    for (ssize_t got; (got = read(done[0], buf, sizeof buf)) > 0;)
        end.steps += static_cast<int>(got);
    close(done[0]);
    if (!waited) return end;
    end.marked = AnyChangeMark(dir, c.shape.twoOrders);
    if (running && CurrentDbf()) {
        SCOPED_TRACE("the program open before the change");
        const auto [absent, whole] = Outcomes(c, before, end.steps, false);
        if (running->after) running->after(absent, whole);
    }
    if (CurrentDbf()) CloseArea();
    end.exit = WIFSIGNALED(status) ? 128 + WTERMSIG(status)
               : WIFEXITED(status) ? WEXITSTATUS(status)
                                   : -1;
    return end;
}

void KillPointHarness::Check(const KillCase& c, const std::string& dir, const KillRows& before,
                             int steps, int outcome, bool strict, uint32_t seed,
                             KillReport& report) {
    const int readOnlyShown = c.readOnlyReader ? CheckReadOnly(c, dir, before, steps) : -1;
    if (::testing::Test::HasFatalFailure()) return;
    // A program that shares the table opens it first: it counts the records
    // from the file's size and repairs what a dead writer left, past the
    // registration a dead shared writer left in the semaphore file; leaving
    // last, it erases that file. The checks are then made again through an
    // exclusive open, which counts from the header.
    KillRows shared, absent, whole;
    {
        SCOPED_TRACE("shared open");
        ASSERT_TRUE(OpenTable(dir, c.shape.twoOrders, true)) << EngineErrorMsg;
        std::tie(absent, whole) = Outcomes(c, before, steps, true);
        GoTop();
        shared = AreaRows();
        CheckOrdersAgainst(shared, c.shape.twoOrders, absent);
        CloseArea();
        EXPECT_FALSE(fs::exists(GetSemaphoreFileName(TableOf(dir))));
        if (::testing::Test::HasFatalFailure()) return;
    }
    ASSERT_TRUE(OpenTable(dir, c.shape.twoOrders, false)) << EngineErrorMsg;
    const KillRows rows = AreaRows();
    EXPECT_TRUE(rows == shared) << "an exclusive open shows " << rows.size()
                                << " records, a shared one " << shared.size();
    const bool isWhole = rows == whole, isAbsent = rows == absent;
    // With every write failing after the first failure, a write cut in half
    // cannot be taken back: only the records the change touches may differ.
    bool untouchedKept = rows.size() == absent.size() && absent.size() == whole.size();
    for (size_t i = 0; untouchedKept && i < rows.size(); ++i)
        untouchedKept = absent[i] != whole[i] || rows[i] == absent[i];
    if (isAbsent && !isWhole) ++report.repaired;
    if (c.readOnlyReader) {
        // What a program that may only read showed is never taken back.
        EXPECT_TRUE(readOnlyShown == static_cast<int>(absent.size()) ||
                    readOnlyShown == static_cast<int>(rows.size()))
            << "a program that may only read showed " << readOnlyShown << " records";
    }
    switch (outcome) {
        case NothingFailed:
        case FailedButDone:
            EXPECT_TRUE(isWhole) << "a change that reported success is not whole";
            break;
        case FailedAndReported:
            if (strict) {
                EXPECT_TRUE(isAbsent) << "a change that reported its failure left a trace";
            } else {
                EXPECT_TRUE(isWhole || isAbsent || untouchedKept)
                    << "a failed change touched other records";
            }
            break;
        default:
            EXPECT_TRUE(isWhole || isAbsent) << "the change is neither whole nor absent";
    }
    {
        SCOPED_TRACE("after the change");
        CheckOrdersAgainst(rows, c.shape.twoOrders, absent);
    }
    if (c.extraCheck) c.extraCheck(isWhole);
    if (::testing::Test::HasFatalFailure()) return;

    // Further changes by this program keep the orders right.
    std::mt19937 rng(seed);
    KillRows model = rows;
    DbfArea& a = *CurrentDbf();
    for (int i = 0; i < 50 && !::testing::Test::HasFatalFailure(); ++i) {
        const std::string k = c.shape.runs ? "r" + Digits(static_cast<int>(rng() % 60), 4)
                                           : "x" + Digits(static_cast<int>(rng() % 100000), 5);
        const std::string m = "y" + Digits(static_cast<int>(rng() % 100000), 5);
        const bool append = model.empty() || rng() % 2 == 0;
        std::string raw;
        if (append) {
            ASSERT_TRUE(ALock()) << EngineErrorMsg;
            ClearRecord();
            SetKeyFields(k, m);
            Append();
            raw = std::string(1, ' ') + Padded(k, KeyWidth) + Padded(m, KeyWidth);
            raw.resize(a.recordLength, ' ');
            model.push_back(raw);
        } else {
            const auto r = static_cast<int32_t>(rng() % model.size() + 1);
            Go(r);
            ASSERT_TRUE(RLock()) << EngineErrorMsg;
            SetKeyFields(k, m);
            Replace();
            model[r - 1].replace(1, 2 * KeyWidth, Padded(k, KeyWidth) + Padded(m, KeyWidth));
        }
        const uint16_t code = EngineErrorCode;
        const std::string msg = EngineErrorMsg;
        Unlock();
        ASSERT_EQ(code, 0) << (append ? "append " : "re-key ") << msg;
    }
    SCOPED_TRACE("after the further changes");
    EXPECT_TRUE(AreaRows() == model) << "records after the further changes";
    CheckOrdersAgainst(model, c.shape.twoOrders, absent);
    CloseArea();
}

KillReport KillPointHarness::Run(const KillCase& c, KillMode mode) {
    KillReport report;
    const std::string work = dir_.file("run");
    CopyFixture(c.shape, work);
    KillRows before;
    {
        Select(1);
        EXPECT_TRUE(Use(TableOf(work) + " EXCLUSIVE", nullptr, 0)) << EngineErrorMsg;
        before = AreaRows();
        CloseArea();
    }
    int step = 1;
    for (int n = 1; n < 100000; n += step) {
        SCOPED_TRACE(c.name + " (" + c.shape.Name() + ", " +
                     (c.sharedWriter ? "shared" : "exclusive") + " writer), " + KillModeName(mode) +
                     (mode == KillMode::KillBeforeRename ? " " : " at write ") + std::to_string(n));
        CopyFixture(c.shape, work);
        const ChildEnd end = RunChild(c, mode, n, work, before);
        const int outcome = end.exit, steps = end.steps;
        if (end.marked) ++report.marked;
        const bool known =
            outcome == 128 + SIGKILL || (outcome >= NothingFailed && outcome <= FailedInClose);
        if (!known) {
            ADD_FAILURE() << "the child ended with " << outcome;
            break;
        }
        EXPECT_TRUE(outcome != 128 + SIGKILL || mode == KillMode::Kill ||
                    mode == KillMode::KillBeforeRename);
        const bool hadFailure = ::testing::Test::HasFailure();
        Check(c, work, before, steps, outcome, !ForGood(mode),
              static_cast<uint32_t>(n * 7919 + runs_++), report);
        if (CurrentDbf()) CloseArea();  // left open by a failed assertion
        // Whatever a dead or failed change left is cleared by the next program.
        EXPECT_EQ(FileNames(work), FileNames(Fixture(c.shape))) << "files left in the folder";
        ++report.points;
        if (outcome == NothingFailed) {
            report.completed = n;
            break;
        }
        // One failing point tells enough; the rest would repeat it.
        if (!hadFailure && ::testing::Test::HasFailure()) break;
        if (n >= c.every) step = std::max(1, n / 8);
    }
    return report;
}

std::vector<KillReport> KillPointHarness::RunModes(KillCase c, const std::vector<KillMode>& modes,
                                                   bool sharedToo) {
    std::vector<KillReport> reports;
    for (bool shared : {false, true}) {
        if (shared && !sharedToo) break;
        c.sharedWriter = shared;
        for (KillMode mode : modes) {
            reports.push_back(Run(c, mode));
            EXPECT_GT(reports.back().completed, 1) << c.name << ": the change made no write";
            if (::testing::Test::HasFailure()) return reports;
        }
    }
    return reports;
}

namespace {

// The change under its lock; its own result, whatever the release reports.
bool LockAnd(bool append, const std::function<void()>& change) {
    if (!(append ? ALock() : RLock())) return false;
    change();
    const bool ok = EngineErrorCode == 0;
    Unlock();
    return ok;
}

}  // namespace

KillCase AppendCase(const KillShape& shape, const std::string& k, const std::string& m) {
    KillCase c;
    c.name = "append " + k;
    c.shape = shape;
    c.operation = [k, m] {
        return LockAnd(true, [&] {
            ClearRecord();
            SetKeyFields(k, m);
            Append();
        });
    };
    c.whole = [k, m](const KillRows& before) {
        KillRows rows = before;
        std::string raw = std::string(1, ' ') + Padded(k, KeyWidth) + Padded(m, KeyWidth);
        raw.resize(before.empty() ? raw.size() : before.front().size(), ' ');
        rows.push_back(raw);
        return rows;
    };
    return c;
}

KillCase RekeyCase(const KillShape& shape, int32_t record, const std::string& k,
                   const std::string& m) {
    KillCase c;
    c.name = "re-key " + std::to_string(record) + " to " + k;
    c.shape = shape;
    c.operation = [record, k, m] {
        Go(record);
        return LockAnd(false, [&] {
            SetKeyFields(k, m);
            Replace();
        });
    };
    c.whole = [record, k, m](const KillRows& before) {
        KillRows rows = before;
        rows[record - 1].replace(1, 2 * KeyWidth, Padded(k, KeyWidth) + Padded(m, KeyWidth));
        return rows;
    };
    return c;
}

}  // namespace kor2::test
