// A table's folder that other accounts may write: what they put there (links
// at the names the engine uses, a watcher that swaps in a link as soon as a
// name appears, crafted rename journals) is input, files a dead Pack or
// Reindex left are cleared by the next program, and a table reached through
// links or owned by another account stays where and whose it is. The other
// account is nobody (tests/support/asnobody.h).
#include <gtest/gtest.h>

#include <fcntl.h>
#include <pwd.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <csignal>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/oemtext.h"
#include "support/asnobody.h"
#include "tables/area/changes.h"
#include "tables/area/navigation.h"
#include "tables/area/workareas.h"
#include "tables/base/engineerror.h"
#include "tables/base/enginefile.h"
#include "tables/base/filenames.h"
#include "tables/delim/delimited.h"
#include "tables/index/ndx_testutil.h"
#include "tables/index/ndxbuild.h"
#include "tables/index/orders.h"
#include "tables/memo/memoarea.h"
#include "tables/memo/memofile.h"

namespace kor2 {
namespace {

namespace fs = std::filesystem;

constexpr int kNoteField = 2;

bool IsLink(const std::string& path) {
    return fs::is_symlink(fs::symlink_status(path));
}

std::set<std::string> Listing(const std::string& dir) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.insert(e.path().filename().string());
    return names;
}

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// Waits until the file exists (another process makes it).
bool WaitForFile(const std::string& path) {
    for (int i = 0; i < 60000; ++i) {
        if (fs::exists(fs::symlink_status(path))) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

class SharedFolderTest : public test::NdxTest {
protected:
    void SetUp() override {
        NdxTest::SetUp();
        InitMemoUnit();
        fs::permissions(dir_.path(),
                        fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
        shared_ = Path("shared");
        fs::create_directory(shared_);
        fs::permissions(shared_, fs::perms::all);
        table_ = shared_ + "/T.DBF";
    }
    // A table K C(8), NOTE M of n records, K "k<i>", every record with a memo,
    // every fifth deleted; with k.ndx (on K) beside it when asked.
    void MakeMemoTable(const std::string& table, int n, bool withIndex = false) {
        test::MakeTable(table, {{"K", 'C', 8, 0}, {"NOTE", 'M', 10, 0}});
        Select(1);
        ASSERT_TRUE(Use(table + " EXCLUSIVE", nullptr, 0)) << EngineErrorMsg;
        for (int i = 1; i <= n; ++i) {
            ClearRecord();
            test::SetT("k" + std::to_string(i));
            Append();
            int32_t block = 0;
            MemoTextFile f;
            AssignMemo(f, block);
            f.Rewrite();
            f.Write("memo " + std::to_string(i));
            ASSERT_EQ(f.Close(), 0);
            std::memcpy(FieldAddress(kNoteField), &block, sizeof block);
            Replace();
            if (i % 5 == 0) DeleteRec();
        }
        ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
        if (withIndex) {
            Index_On("K", fs::path(table).replace_filename("k.ndx").string());
            ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
        }
        CloseArea();
    }
    // The memo texts of the table's records, in record order.
    static std::vector<std::string> Memos() {
        std::vector<std::string> texts;
        for (int32_t r = 1; r <= RecCount(); ++r) {
            Go(r);
            std::string text;
            for (const std::string& l : MemoFieldLines(kNoteField)) text += l;
            texts.push_back(text);
        }
        return texts;
    }
    static std::string Field(const std::string& s) { return std::to_string(s.size()) + ":" + s; }

    std::string shared_, table_;
};

// A watcher of the other account that swaps every new name of the engine
// for a link to a file of the account that runs Reindex or Pack.
TEST_F(SharedFolderTest, AWatcherSwappingInLinksRedirectsNothing) {
    MakeMemoTable(table_, 300, true);
    const std::string privateDir = Path("private");
    fs::create_directory(privateDir);
    const std::string victim = privateDir + "/own.txt";
    test::WriteFileBytes(victim, "own file");
    fs::permissions(victim, fs::perms::owner_read | fs::perms::owner_write);
    const std::string ready = shared_ + "/watching", swapped = shared_ + "/swapped";
    test::BackgroundSubject watcher([&] {
        const int fd = inotify_init1(IN_CLOEXEC);
        if (fd < 0 || inotify_add_watch(fd, shared_.c_str(), IN_CREATE | IN_MOVED_TO) < 0) return;
        test::WriteFileBytes(ready, "1");
        alignas(inotify_event) char buf[4096];
        for (;;) {
            const ssize_t n = read(fd, buf, sizeof buf);
            if (n <= 0) return;
            for (ssize_t at = 0; at < n;) {
                const auto* e = reinterpret_cast<const inotify_event*>(buf + at);
                at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
                const std::string name = e->len > 0 ? e->name : "";
                if (name.rfind("KOR", 0) != 0 && name.find(".$") == std::string::npos) continue;
                const std::string path = shared_ + "/" + name;
                if (IsLink(path) || unlink(path.c_str()) != 0) continue;
                if (symlink(victim.c_str(), path.c_str()) != 0) continue;
                std::ofstream(swapped, std::ios::app) << name << "\n";
            }
        }
    });
    ASSERT_TRUE(watcher.Started());
    ASSERT_TRUE(WaitForFile(ready));
    Select(1);
    ASSERT_TRUE(Use(table_ + " EXCLUSIVE", nullptr, 0)) << EngineErrorMsg;
    ASSERT_TRUE(OpenIndexFile(shared_ + "/k.ndx", 1)) << EngineErrorMsg;
    Reindex();
    Pack();
    CloseArea();
    watcher.Stop();
    EXPECT_TRUE(test::ReadFileBytes(victim) == "own file");
    EXPECT_EQ(ModeOf(victim), 0600u);
    for (const char* name : {"T.DBF", "T.DBT", "k.ndx"}) EXPECT_FALSE(IsLink(shared_ + "/" + name));
    // The links it put there are its own: the engine erases none of them.
    std::ifstream links(swapped);
    int swaps = 0;
    for (std::string name; std::getline(links, name); ++swaps)
        EXPECT_TRUE(IsLink(shared_ + "/" + name)) << name;
    EXPECT_GT(swaps, 0);
    // The table opens with its index, whole: packed or as it was.
    ASSERT_TRUE(Use(table_ + " EXCLUSIVE", nullptr, 0))
        << EngineErrorMsg << " " << testing::PrintToString(Listing(shared_));
    ASSERT_TRUE(OpenIndexFile(shared_ + "/k.ndx", 1)) << EngineErrorMsg;
    EXPECT_TRUE(RecCount() == 300 || RecCount() == 240) << RecCount();
    EXPECT_EQ(test::WalkForward().size(), static_cast<size_t>(RecCount()));
    CloseArea();
}

// What another account, or a stray of one's own, puts at a name the engine
// uses (or used once) beside a table is none of the engine's files: an open,
// Pack, Reindex and Index_On leave it as it is, and where it stands in the
// way of a change the change is refused before its work, naming it.
TEST_F(SharedFolderTest, PlantedEntriesAreLeftAlone) {
    enum class Kind { File, Link };
    enum class Op { Open, Pack, Reindex, IndexOn };
    struct Case {
        std::string what;
        std::string table;  // its name in its folder
        bool memo;          // with a memo field, 20 records and k.ndx
        Kind kind;
        std::string entry;
        bool byNobody;
        Op op;
        bool refused;  // the operation fails with error 5 naming the entry
    };
    const std::vector<Case> cases = {
        {"another account's file of a new file's name", "T.DBF", true, Kind::File, "KOR00A1.TMP",
         true, Op::Open, false},
        {"a stray file of one's own of a new file's name", "T.DBF", true, Kind::File, "KOR00A2.TMP",
         false, Op::Open, false},
        {"a new file's name beside a Reindex", "T.DBF", true, Kind::File, "KOR00A3.TMP", true,
         Op::Reindex, false},
        {"a journal of the other spelling", "t.dbf", true, Kind::File, "T.$RN", true, Op::Open,
         false},
        {"a memo pack's file of the other spelling", "t.dbf", true, Kind::File, "T.$$$", true,
         Op::Pack, false},
        {"a link at a memo pack's name", "T.DBF", true, Kind::Link, "T.$$$", true, Op::Pack, false},
        {"a link at the memo file's name", "T.DBF", false, Kind::Link, "T.DBT", true, Op::Open,
         false},
        {"a file at the journal's name", "T.DBF", true, Kind::File, "T.$RN", true, Op::Pack, true},
        {"a link at the journal's name", "T.DBF", true, Kind::Link, "T.$RN", true, Op::Pack, true},
        {"a link at the index journal's name", "T.DBF", true, Kind::Link, "k.$RI", true,
         Op::IndexOn, true},
    };
    // Files of this account in a folder no other account may enter.
    const std::string privateDir = Path("private");
    fs::create_directory(privateDir);
    const std::string victim = privateDir + "/v.DBT", victimNew = privateDir + "/v.$$$";
    for (const std::string& f : {victim, victimNew}) {
        test::WriteFileBytes(f, "own " + f);
        fs::permissions(f, fs::perms::owner_read | fs::perms::owner_write);
    }
    for (size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.what);
        const std::string dir = shared_ + "/c" + std::to_string(i);
        fs::create_directory(dir);
        fs::permissions(dir, fs::perms::all);
        const std::string table = dir + "/" + c.table, entry = dir + "/" + c.entry;
        if (c.memo)
            MakeMemoTable(table, 20, true);
        else
            test::MakeTable(table, {{"K", 'C', 8, 0}});
        const std::set<std::string> before = Listing(dir);
        const auto plant = [&] {
            if (c.kind == Kind::Link) {
                ASSERT_EQ(symlink(victim.c_str(), entry.c_str()), 0);
                return;
            }
            test::WriteFileBytes(entry, c.entry);
            fs::permissions(entry, fs::perms::owner_read | fs::perms::owner_write);
        };
        if (c.byNobody)
            test::RunAsNobody({}, plant);
        else
            plant();
        struct stat planted {};
        ASSERT_EQ(lstat(entry.c_str(), &planted), 0);
        Select(1);
        bool ok = false;
        if (c.op == Op::Open) {
            ok = Use(table, nullptr, 0);
        } else {
            ASSERT_TRUE(Use(table + " EXCLUSIVE", nullptr, 0)) << EngineErrorMsg;
            if (c.op == Op::Pack) ok = Pack();
            if (c.op == Op::Reindex) {
                ASSERT_TRUE(OpenIndexFile(dir + "/k.ndx", 1)) << EngineErrorMsg;
                Reindex();
                ok = EngineErrorCode == 0;
            }
            if (c.op == Op::IndexOn) {
                Index_On("K", dir + "/k.ndx");
                ok = EngineErrorCode == 0;
            }
        }
        if (c.refused) {
            EXPECT_FALSE(ok);
            EXPECT_EQ(EngineErrorCode, 5) << EngineErrorMsg;
            EXPECT_NE(EngineErrorMsg.find(c.entry), std::string::npos) << EngineErrorMsg;
            EXPECT_EQ(EngineErrorMsg.find("Fehler beim"), std::string::npos) << EngineErrorMsg;
        } else {
            EXPECT_TRUE(ok) << EngineErrorMsg;
        }
        CloseArea();
        // The next open finds the table whole, and the entry as it was.
        EXPECT_TRUE(Use(table, nullptr, 0)) << EngineErrorMsg;
        EXPECT_EQ(RecCount(), !c.memo ? 0 : c.op == Op::Pack && !c.refused ? 16 : 20);
        CloseArea();
        struct stat after {};
        if (lstat(entry.c_str(), &after) != 0) {
            ADD_FAILURE() << c.entry << " is gone";
            continue;
        }
        EXPECT_EQ(after.st_ino, planted.st_ino);
        EXPECT_EQ(after.st_uid, planted.st_uid);
        EXPECT_EQ(after.st_mode, planted.st_mode);
        if (c.kind == Kind::File) {
            EXPECT_EQ(test::ReadFileBytes(entry), c.entry);
        }
        std::set<std::string> expected = before;
        expected.insert(c.entry);
        EXPECT_EQ(Listing(dir), expected);
        for (const std::string& f : {victim, victimNew}) {
            EXPECT_EQ(test::ReadFileBytes(f), "own " + f);
            EXPECT_EQ(ModeOf(f), 0600u);
        }
    }
}

// Journals that name anything but the engine's new files of this table in
// its own folder, or files that are not plain files of the journal's owner,
// or a journal of an account the opener does not trust, are not obeyed: the
// open is refused naming the journal, and nothing is moved or erased.
TEST_F(SharedFolderTest, ACraftedJournalMovesNothing) {
    MakeMemoTable(table_, 10, true);
    MakeMemoTable(shared_ + "/O.DBF", 3);
    Select(1);
    ASSERT_TRUE(Use(shared_ + "/O.DBF EXCLUSIVE", nullptr, 0));
    Index_On("K", shared_ + "/o.ndx");
    ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    CloseArea();
    const std::string outside = Path("outside.txt");
    test::WriteFileBytes(outside, "outside");
    const auto at = [&](const std::string& name) { return shared_ + "/" + name; };
    test::WriteFileBytes(at("KOR0001.TMP"), "new table");
    test::WriteFileBytes(at("kor0002.tmp"), "new table");
    ASSERT_EQ(symlink(outside.c_str(), at("KOR0003.TMP").c_str()), 0);
    ASSERT_EQ(link(outside.c_str(), at("KOR0004.TMP").c_str()), 0);
    fs::copy_file(at("o.ndx"), at("KOR0006.TMP"));
    test::RunAsNobody({}, [&] { test::WriteFileBytes(at("KOR0005.TMP"), "nobody's"); });
    const std::string head = "KOR2 JOURNAL 2\n";
    const auto journal = [&](const std::string& fresh, const std::string& target) {
        return head + Field(fresh) + Field(target) + "END\nREADY\n";
    };
    struct Case {
        std::string what, name, text;
        bool byNobody = false;
        std::string refusal = "Umbenennungen";
    };
    const std::vector<Case> cases = {
        {"another table over the table", "T.$RN", journal("O.DBF", "T.DBF")},
        {"the table moved out", "T.$RN", journal("T.DBF", "KOR0001.TMP")},
        {"an absolute name", "T.$RN", journal(outside, "T.DBF"), false, "außerhalb"_oem},
        {"a name with ../", "T.$RN", journal("../KOR0001.TMP", "T.DBF"), false, "außerhalb"_oem},
        {"a name in a folder", "T.$RN", journal("c/KOR0001.TMP", "T.DBF"), false, "außerhalb"_oem},
        {"a name of another form", "T.$RN", journal("kor0002.tmp", "T.DBF")},
        {"another table as target", "T.$RN", journal("KOR0001.TMP", "O.DBF")},
        {"the memo file of another spelling", "T.$RN", journal("KOR0001.TMP", "t.dbt")},
        {"a link as new file", "T.$RN", journal("KOR0003.TMP", "T.DBF")},
        {"a file of two names as new file", "T.$RN", journal("KOR0004.TMP", "T.DBF")},
        {"another account's new file", "T.$RN", journal("KOR0005.TMP", "T.DBF")},
        {"a journal of another account", "T.$RN", journal("KOR0005.TMP", "T.DBF"), true,
         "Schreibrecht"},
        {"something else after the end", "T.$RN", journal("KOR0001.TMP", "T.DBF") + "x"},
        {"an index of another table", "k.$RI", journal("KOR0006.TMP", "k.ndx")},
    };
    const std::set<std::string> files = Listing(shared_);
    const std::string tableBytes = test::ReadFileBytes(table_);
    const std::string indexBytes = test::ReadFileBytes(at("k.ndx"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto plant = [&] { test::WriteFileBytes(at(c.name), c.text); };
        if (c.byNobody)
            test::RunAsNobody({}, plant);
        else
            plant();
        Select(1);
        bool opened = Use(table_, nullptr, 0);
        if (opened && c.name == "k.$RI") opened = OpenIndexFile(at("k.ndx"), 1);
        EXPECT_FALSE(opened);
        EXPECT_EQ(EngineErrorCode, 5);
        EXPECT_NE(EngineErrorMsg.find(c.name), std::string::npos) << EngineErrorMsg;
        EXPECT_NE(EngineErrorMsg.find(c.refusal), std::string::npos) << EngineErrorMsg;
        CloseArea();
        EXPECT_EQ(test::ReadFileBytes(at(c.name)), c.text);
        fs::remove(at(c.name));
        EXPECT_EQ(Listing(shared_), files);
        EXPECT_TRUE(test::ReadFileBytes(table_) == tableBytes);
        EXPECT_TRUE(test::ReadFileBytes(at("k.ndx")) == indexBytes);
        EXPECT_EQ(test::ReadFileBytes(outside), "outside");
    }
    ASSERT_TRUE(Use(table_, nullptr, 0)) << EngineErrorMsg;
    ASSERT_TRUE(OpenIndexFile(at("k.ndx"), 1)) << EngineErrorMsg;
    EXPECT_EQ(RecCount(), 10);
    CloseArea();
}

// A journal far beyond the size of any the engine writes is refused before
// it is read: a child with little room for data opens the table.
TEST_F(SharedFolderTest, AHugeJournalIsNotRead) {
    MakeMemoTable(table_, 3);
    const std::string journal = shared_ + "/T.$RN";
    {
        std::ofstream out(journal, std::ios::binary);
        out << "KOR2 JOURNAL 2\n";
    }
    fs::resize_file(journal, 300ll << 20);
    EXPECT_EQ(test::RunForked([] { return true; },
                              [&] {
                                  struct rlimit lim = {64ll << 20, 64ll << 20};
                                  getrlimit(RLIMIT_DATA, &lim);
                                  lim.rlim_cur = 96ll << 20;
                                  setrlimit(RLIMIT_DATA, &lim);
                                  Select(1);
                                  EXPECT_FALSE(Use(table_, nullptr, 0));
                                  EXPECT_NE(EngineErrorMsg.find("$RN"), std::string::npos)
                                      << EngineErrorMsg;
                              }),
              0);
    EXPECT_EQ(fs::file_size(journal), 300ull << 20);
}

// A Pack or Reindex killed at any write leaves nothing behind for the next
// program that opens the table and its index: its new files are cleared.
TEST_F(SharedFolderTest, LeftOversOfADeadPackOrReindexAreCleared) {
    const std::string dir = Path("own");
    fs::create_directory(dir);
    const std::string table = dir + "/T.DBF";
    MakeMemoTable(table, 60, true);
    const std::set<std::string> files = Listing(dir);
    for (const bool pack : {true, false}) {
        bool completed = false;
        for (int n = 1; !completed && n < 400; n += 1 + n / 4) {
            const int code = test::RunForked(
                [] { return true; },
                [&] {
                    Select(1);
                    ASSERT_TRUE(Use(table + " EXCLUSIVE", nullptr, 0)) << EngineErrorMsg;
                    ASSERT_TRUE(OpenIndexFile(dir + "/k.ndx", 1)) << EngineErrorMsg;
                    ScopedFaultPlan faults;
                    faults.plan().failWrite = n;
                    faults.plan().kill = true;
                    if (pack)
                        Pack();
                    else
                        Reindex();
                });
            completed = code == 0;
            Select(1);
            ASSERT_TRUE(Use(table, nullptr, 0)) << EngineErrorMsg;
            ASSERT_TRUE(OpenIndexFile(dir + "/k.ndx", 1)) << EngineErrorMsg;
            CloseArea();
            ASSERT_EQ(Listing(dir), files)
                << (pack ? "pack" : "reindex") << " killed at write " << n;
        }
        EXPECT_TRUE(completed);
    }
}

// An index in another folder, opened by a name relative to the current
// folder and longer than 255 characters, has its journal beside it: a
// Reindex killed before its rename is completed by the next open of the
// index from any current folder.
TEST_F(SharedFolderTest, AJournalOfAnIndexElsewhereIsCompletedFromAnyFolder) {
    MakeMemoTable(table_, 40, true);
    const std::string deep = "idx/" + std::string(150, 'd') + "/" + std::string(120, 'e');
    const std::string indexDir = Path(deep), elsewhere = Path("elsewhere");
    fs::create_directories(indexDir);
    fs::create_directory(elsewhere);
    fs::rename(shared_ + "/k.ndx", indexDir + "/k.ndx");
    const fs::path cwd = fs::current_path();
    EXPECT_NE(test::RunForked([] { return true; },
                              [&] {
                                  fs::current_path(dir_.path());
                                  Select(1);
                                  ASSERT_TRUE(Use(table_ + " EXCLUSIVE", nullptr, 0));
                                  ASSERT_TRUE(OpenIndexFile(deep + "/k.ndx", 1)) << EngineErrorMsg;
                                  ScopedFaultPlan faults;
                                  faults.plan().killRename = 1;
                                  Reindex();
                              }),
              0);
    ASSERT_EQ(Listing(indexDir).size(), 3u);
    fs::current_path(elsewhere);
    Select(1);
    bool opened = Use(table_, nullptr, 0) && OpenIndexFile(indexDir + "/k.ndx", 1);
    CloseArea();
    fs::current_path(cwd);
    ASSERT_TRUE(opened) << EngineErrorMsg;
    EXPECT_EQ(Listing(indexDir), std::set<std::string>{"k.ndx"});
    EXPECT_EQ(Listing(elsewhere).size(), 0u);
    ASSERT_TRUE(Use(table_, nullptr, 0)) << EngineErrorMsg;
    ASSERT_TRUE(OpenIndexFile(indexDir + "/k.ndx", 1)) << EngineErrorMsg;
    EXPECT_EQ(test::WalkForward().size(), 40u);
    CloseArea();
}

// A program stopped in the middle of an index build of a shared table, its
// new file and journal made: other programs open the table and the old index
// beside it and change nothing of the build, which then completes.
TEST_F(SharedFolderTest, OpensLeaveALiveBuildAlone) {
    MakeMemoTable(table_, 300, true);
    const pid_t writer = fork();
    ASSERT_GE(writer, 0);
    if (writer == 0) {
        Select(1);
        if (!Use(table_, nullptr, 0)) _exit(2);
        ScopedFaultPlan faults;
        faults.plan().covers = [](const std::string& path) {
            return path.find("KOR") != std::string::npos;
        };
        faults.plan().failWrite = 2;
        faults.plan().stop = true;
        Index_On("K", shared_ + "/k.ndx");
        _exit(EngineErrorCode == 0 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(writer, &status, WUNTRACED), writer);
    ASSERT_TRUE(WIFSTOPPED(status));
    const std::set<std::string> files = Listing(shared_);
    EXPECT_EQ(files.count("k.$RI"), 1u);
    const std::string next = test::ReadFileBytes(shared_ + "/k.$RI");
    Select(1);
    EXPECT_TRUE(Use(table_, nullptr, 0)) << EngineErrorMsg;
    EXPECT_TRUE(OpenIndexFile(shared_ + "/k.ndx", 1)) << EngineErrorMsg;
    CloseArea();
    EXPECT_EQ(Listing(shared_), files);
    EXPECT_EQ(test::ReadFileBytes(shared_ + "/k.$RI"), next);
    kill(writer, SIGCONT);
    EXPECT_EQ(test::WaitChild(writer), 0);
    ASSERT_TRUE(Use(table_, nullptr, 0)) << EngineErrorMsg;
    ASSERT_TRUE(OpenIndexFile(shared_ + "/k.ndx", 1)) << EngineErrorMsg;
    EXPECT_EQ(test::WalkForward().size(), 300u);
    CloseArea();
}

// Opens of other tables in the folder beside a program that packs and
// re-indexes its table: none of its changes fails for them.
TEST_F(SharedFolderTest, OpensBesideChangesNeverMakeThemFail) {
    MakeMemoTable(table_, 60, true);
    const std::string other = shared_ + "/O.DBF", stop = shared_ + "/stop";
    MakeMemoTable(other, 5);
    const pid_t opener = fork();
    ASSERT_GE(opener, 0);
    if (opener == 0) {
        while (!fs::exists(stop)) {
            Select(1);
            if (Use(other, nullptr, 0)) CloseArea();
        }
        _exit(0);
    }
    const int changes = test::RunForked([] { return true; },
                                        [&] {
                                            std::vector<std::string> failures;
                                            for (int i = 0; i < 60; ++i) {
                                                Select(1);
                                                if (!Use(table_ + " EXCLUSIVE", nullptr, 0) ||
                                                    !OpenIndexFile(shared_ + "/k.ndx", 1)) {
                                                    failures.push_back(EngineErrorMsg);
                                                    continue;
                                                }
                                                Reindex();
                                                if (EngineErrorCode != 0)
                                                    failures.push_back(EngineErrorMsg);
                                                if (!Pack()) failures.push_back(EngineErrorMsg);
                                                CloseArea();
                                            }
                                            EXPECT_TRUE(failures.empty())
                                                << failures.size() << " failed, the first: "
                                                << (failures.empty() ? "" : failures.front());
                                        });
    test::WriteFileBytes(stop, "");
    EXPECT_EQ(test::WaitChild(opener), 0);
    EXPECT_EQ(changes, 0);
}

// A Pack of the program's former version killed between its renames left
// its journal of that version: the next open completes the Pack.
TEST_F(SharedFolderTest, AFormerVersionsJournalIsCompleted) {
    MakeMemoTable(table_, 20);
    const std::string packed = Path("packed");
    fs::create_directory(packed);
    for (const char* name : {"T.DBF", "T.DBT"})
        fs::copy_file(shared_ + "/" + name, packed + "/" + name);
    Select(1);
    ASSERT_TRUE(Use(packed + "/T.DBF EXCLUSIVE", nullptr, 0)) << EngineErrorMsg;
    ASSERT_TRUE(Pack()) << EngineErrorMsg;
    const std::vector<std::string> memos = Memos();
    CloseArea();
    // The table was renamed into place, the memo file not yet.
    fs::copy_file(packed + "/T.DBF", table_, fs::copy_options::overwrite_existing);
    fs::copy_file(packed + "/T.DBT", shared_ + "/T.$$$");
    test::WriteFileBytes(shared_ + "/T.$RN", "KOR2 RENAMES 1\n" + Field("KOR1234.TMP") +
                                                 Field("T.DBF") + Field("T.$$$") + Field("T.DBT") +
                                                 Field(Path("KOR0001.TMP")) + Field(Path("k.ndx")) +
                                                 "END\n");
    ASSERT_TRUE(Use(table_, nullptr, 0)) << EngineErrorMsg;
    EXPECT_EQ(Memos(), memos);
    CloseArea();
    EXPECT_EQ(Listing(shared_), (std::set<std::string>{"T.DBF", "T.DBT"}));
}

// A table whose name holds letters outside ASCII: a Pack killed between its
// renames is completed by the next open.
TEST_F(SharedFolderTest, APackOfATableNamedOutsideAsciiIsCompletedAfterAKill) {
    const std::string table = shared_ + "/" + "Größe.dbf"_oem;
    MakeMemoTable(table, 30, true);
    EXPECT_NE(test::RunForked([] { return true; },
                              [&] {
                                  Select(1);
                                  ASSERT_TRUE(Use(table + " EXCLUSIVE", nullptr, 0));
                                  ASSERT_TRUE(OpenIndexFile(shared_ + "/k.ndx", 1));
                                  ScopedFaultPlan faults;
                                  faults.plan().killRename = 2;
                                  Pack();
                              }),
              0);
    Select(1);
    ASSERT_TRUE(Use(table, nullptr, 0)) << EngineErrorMsg;
    ASSERT_TRUE(OpenIndexFile(shared_ + "/k.ndx", 1)) << EngineErrorMsg;
    EXPECT_EQ(RecCount(), 24);
    EXPECT_EQ(Memos().back(), "memo 29");
    EXPECT_EQ(test::WalkForward().size(), 24u);
    CloseArea();
    for (const std::string& name : Listing(shared_))
        EXPECT_EQ(name.find('$'), std::string::npos) << name;
}

// A Reindex whose rename is refused takes its journal and new file back: the
// table and its other files open as before.
TEST_F(SharedFolderTest, AChangeWhoseRenameFailsTakesItsJournalBack) {
    MakeMemoTable(table_, 30, true);
    const std::set<std::string> files = Listing(shared_);
    Select(1);
    ASSERT_TRUE(Use(table_ + " EXCLUSIVE", nullptr, 0)) << EngineErrorMsg;
    ASSERT_TRUE(OpenIndexFile(shared_ + "/k.ndx", 1)) << EngineErrorMsg;
    // The index's name now stands for a folder: the rename onto it fails.
    fs::rename(shared_ + "/k.ndx", Path("k.ndx"));
    fs::create_directory(shared_ + "/k.ndx");
    Reindex();
    EXPECT_NE(EngineErrorCode, 0);
    EXPECT_NE(EngineErrorMsg.find("Umbenennen"), std::string::npos) << EngineErrorMsg;
    CloseArea();
    EXPECT_EQ(Listing(shared_), files);
    fs::remove(shared_ + "/k.ndx");
    fs::rename(Path("k.ndx"), shared_ + "/k.ndx");
    ASSERT_TRUE(Use(table_, nullptr, 0)) << EngineErrorMsg;
    ASSERT_TRUE(OpenIndexFile(shared_ + "/k.ndx", 1)) << EngineErrorMsg;
    EXPECT_EQ(test::WalkForward().size(), 30u);
    CloseArea();
}

// A Pack killed between its renames, found by accounts that cannot complete
// it (one that may only read the folder, another account in a sticky
// folder): the open is refused, telling why, until an account that may write
// opens the table and completes the Pack.
TEST_F(SharedFolderTest, AHalfDoneChangeIsNeverShownAsATable) {
    for (const bool sticky : {false, true}) {
        SCOPED_TRACE(sticky ? "sticky folder" : "folder the reader may not write");
        const std::string dir = Path(sticky ? "sticky" : "readonly");
        fs::create_directory(dir);
        const std::string table = dir + "/T.DBF";
        MakeMemoTable(table, 30);
        for (const auto& e : fs::directory_iterator(dir)) fs::permissions(e.path(), fs::perms::all);
        fs::permissions(dir, sticky ? fs::perms::all | fs::perms::sticky_bit
                                    : fs::perms::owner_all | fs::perms::group_read |
                                          fs::perms::group_exec | fs::perms::others_read |
                                          fs::perms::others_exec);
        EXPECT_NE(test::RunForked([] { return true; },
                                  [&] {
                                      Select(1);
                                      ASSERT_TRUE(Use(table + " EXCLUSIVE", nullptr, 0));
                                      ScopedFaultPlan faults;
                                      faults.plan().killRename = 2;
                                      Pack();
                                  }),
                  0);
        test::RunAsNobody({}, [&] {
            Select(1);
            EXPECT_FALSE(Use(table, nullptr, 0));
            EXPECT_EQ(EngineErrorCode, 5);
            EXPECT_NE(EngineErrorMsg.find("Schreibrecht"), std::string::npos) << EngineErrorMsg;
            CloseArea();
        });
        Select(1);
        ASSERT_TRUE(Use(table, nullptr, 0)) << EngineErrorMsg;
        EXPECT_EQ(RecCount(), 24);
        EXPECT_EQ(Memos().back(), "memo 29");
        CloseArea();
    }
}

// The table's owner's Pack killed between its renames, in a folder every
// account may write: another account that may write the table completes it.
TEST_F(SharedFolderTest, TheTableOwnersHalfDoneChangeIsCompletedByAnotherWriter) {
    const std::string dir = Path("owners");
    fs::create_directory(dir);
    const std::string table = dir + "/T.DBF";
    MakeMemoTable(table, 30);
    const passwd* nobody = getpwnam("nobody");
    ASSERT_NE(nobody, nullptr);
    for (const auto& e : fs::directory_iterator(dir)) {
        fs::permissions(e.path(), fs::perms::all);
        ASSERT_EQ(chown(e.path().c_str(), nobody->pw_uid, nobody->pw_gid), 0);
    }
    fs::permissions(dir, fs::perms::all);
    const int killed = test::RunForked(test::BecomeNobody, [&] {
        Select(1);
        ASSERT_TRUE(Use(table + " EXCLUSIVE", nullptr, 0));
        ScopedFaultPlan faults;
        faults.plan().killRename = 2;
        Pack();
    });
    EXPECT_NE(killed, 0);
    EXPECT_NE(killed, test::kPrepareFailed);
    Select(1);
    ASSERT_TRUE(Use(table, nullptr, 0)) << EngineErrorMsg;
    EXPECT_EQ(RecCount(), 24);
    EXPECT_EQ(Memos().back(), "memo 29");
    CloseArea();
}

// Another account's Pack of a table in a sticky folder, which it could not
// rename into place, is refused before it writes anything, naming the file.
TEST_F(SharedFolderTest, APackThatCouldNotBePutInPlaceIsRefusedFirst) {
    const std::string dir = Path("stickypack");
    fs::create_directory(dir);
    const std::string table = dir + "/T.DBF";
    MakeMemoTable(table, 30);
    for (const auto& e : fs::directory_iterator(dir)) fs::permissions(e.path(), fs::perms::all);
    fs::permissions(dir, fs::perms::all | fs::perms::sticky_bit);
    const std::set<std::string> files = Listing(dir);
    test::RunAsNobody({}, [&] {
        Select(1);
        ASSERT_TRUE(Use(table + " EXCLUSIVE", nullptr, 0)) << EngineErrorMsg;
        ScopedFaultPlan faults;
        EXPECT_FALSE(Pack());
        EXPECT_EQ(EngineErrorCode, 5);
        EXPECT_NE(EngineErrorMsg.find("T.DBF"), std::string::npos) << EngineErrorMsg;
        EXPECT_EQ(faults.plan().writes, 0);
        CloseArea();
    });
    EXPECT_EQ(Listing(dir), files);
}

// A user's folder with links to a table in a shared folder: Pack, Reindex,
// Index_On and the export change the files the links lead to, and the links stay.
TEST_F(SharedFolderTest, ChangesThroughLinksReachTheLinkedFiles) {
    MakeMemoTable(table_, 300, true);
    const std::string mine = Path("mine");
    fs::create_directory(mine);
    test::WriteFileBytes(shared_ + "/u.ndx", "");
    test::WriteFileBytes(shared_ + "/e.txt", "");
    const std::vector<std::pair<std::string, std::string>> links = {{"t.dbf", "T.DBF"},
                                                                    {"t.dbt", "T.DBT"},
                                                                    {"t.ndx", "k.ndx"},
                                                                    {"u.ndx", "u.ndx"},
                                                                    {"e.txt", "e.txt"}};
    for (const auto& [link, target] : links)
        fs::create_symlink(shared_ + "/" + target, mine + "/" + link);
    Select(1);
    ASSERT_TRUE(Use(mine + "/t.dbf EXCLUSIVE", nullptr, 0)) << EngineErrorMsg;
    ASSERT_TRUE(OpenIndexFile(mine + "/t.ndx", 1)) << EngineErrorMsg;
    ASSERT_TRUE(Pack()) << EngineErrorMsg;
    Reindex();
    EXPECT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    Index_On("K", mine + "/u.ndx");
    EXPECT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    EXPECT_TRUE(WriteDelimitedFile(mine + "/e.txt", false)) << EngineErrorMsg;
    CloseArea();
    for (const auto& [link, target] : links) {
        EXPECT_TRUE(IsLink(mine + "/" + link)) << link;
        EXPECT_FALSE(IsLink(shared_ + "/" + target)) << target;
    }
    EXPECT_EQ(Listing(mine).size(), links.size());
    EXPECT_GT(fs::file_size(shared_ + "/e.txt"), 240u * 5);
    // The shared table itself is packed, with its memos and its index.
    ASSERT_TRUE(Use(table_, nullptr, 0)) << EngineErrorMsg;
    EXPECT_EQ(RecCount(), 240);
    EXPECT_EQ(Memos().back(), "memo 299");
    ASSERT_TRUE(OpenIndexFile(shared_ + "/k.ndx", 1)) << EngineErrorMsg;
    EXPECT_EQ(test::WalkForward().size(), 240u);
    CloseArea();
}

// A table of another account packed by an account that may give files
// away keeps its owner, group and mode; the owner opens it afterwards.
TEST_F(SharedFolderTest, APackedTableKeepsItsOwnerGroupAndMode) {
    if (geteuid() != 0) GTEST_SKIP() << "giving a file to another account needs root";
    MakeMemoTable(table_, 30, true);
    const passwd* nobody = getpwnam("nobody");
    ASSERT_NE(nobody, nullptr);
    for (const char* name : {"T.DBF", "T.DBT", "k.ndx"}) {
        const std::string path = shared_ + "/" + name;
        ASSERT_EQ(chown(path.c_str(), nobody->pw_uid, nobody->pw_gid), 0);
        ASSERT_EQ(chmod(path.c_str(), 0664), 0);
    }
    Select(1);
    ASSERT_TRUE(Use(table_ + " EXCLUSIVE", nullptr, 0)) << EngineErrorMsg;
    ASSERT_TRUE(OpenIndexFile(shared_ + "/k.ndx", 1)) << EngineErrorMsg;
    ASSERT_TRUE(Pack()) << EngineErrorMsg;
    CloseArea();
    for (const char* name : {"T.DBF", "T.DBT", "k.ndx"}) {
        struct stat st {};
        ASSERT_EQ(stat((shared_ + "/" + name).c_str(), &st), 0);
        EXPECT_EQ(st.st_uid, nobody->pw_uid) << name;
        EXPECT_EQ(st.st_gid, nobody->pw_gid) << name;
        EXPECT_EQ(st.st_mode & 07777, 0664u) << name;
    }
    test::RunAsNobody({}, [&] {
        Select(1);
        ASSERT_TRUE(Use(table_ + " EXCLUSIVE", nullptr, 0)) << EngineErrorMsg;
        EXPECT_EQ(RecCount(), 24);
        CloseArea();
    });
}

// Where the new files could not keep the owner, and the owner would lose a
// right, or the account may not write the file it would replace, nothing
// is written and the change is refused.
TEST_F(SharedFolderTest, ReplacingThatTakesARightIsRefused) {
    if (geteuid() != 0) GTEST_SKIP() << "the files are given to nobody's group";
    MakeMemoTable(table_, 30, true);
    const std::string exported = shared_ + "/e.txt";
    test::WriteFileBytes(exported, "old export");
    const passwd* nobody = getpwnam("nobody");
    ASSERT_NE(nobody, nullptr);
    // The table's group is nobody's; the owner (this account) is not in it.
    for (const char* name : {"T.DBF", "T.DBT", "k.ndx"}) {
        const std::string path = shared_ + "/" + name;
        ASSERT_EQ(chown(path.c_str(), geteuid(), nobody->pw_gid), 0);
        ASSERT_EQ(chmod(path.c_str(), 0664), 0);
    }
    ASSERT_EQ(chown(exported.c_str(), nobody->pw_uid, nobody->pw_gid), 0);
    ASSERT_EQ(chmod(exported.c_str(), 0444), 0);
    const std::set<std::string> files = Listing(shared_);
    const std::string tableBytes = test::ReadFileBytes(table_);
    test::RunAsNobody({}, [&] {
        Select(1);
        ASSERT_TRUE(Use(table_ + " EXCLUSIVE", nullptr, 0)) << EngineErrorMsg;
        ASSERT_TRUE(OpenIndexFile(shared_ + "/k.ndx", 1)) << EngineErrorMsg;
        EXPECT_FALSE(Pack());
        EXPECT_EQ(EngineErrorCode, 5) << EngineErrorMsg;
        Reindex();
        EXPECT_EQ(EngineErrorCode, 5) << EngineErrorMsg;
        EXPECT_FALSE(WriteDelimitedFile(exported, false));
        EXPECT_EQ(EngineErrorCode, 5) << EngineErrorMsg;
        CloseArea();
    });
    EXPECT_EQ(Listing(shared_), files);
    EXPECT_TRUE(test::ReadFileBytes(table_) == tableBytes);
    EXPECT_EQ(test::ReadFileBytes(exported), "old export");
    struct stat st {};
    ASSERT_EQ(stat(table_.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, geteuid());
}

// Entries another account put at the names an export or an index build
// writes, in a folder all may write: its links are refused with error 5
// naming the link and nothing is written anywhere; a file it planted is
// replaced by an export of this account's own with the default mode.
TEST_F(SharedFolderTest, PlantedEntriesAtTheNamesOfExportAndIndexOn) {
    if (geteuid() != 0) GTEST_SKIP() << "planting as another account needs root";
    MakeMemoTable(table_, 30);
    const mode_t savedMask = umask(022);
    const std::string secretDir = Path("private"), secret = secretDir + "/secret";
    fs::create_directory(secretDir);
    fs::permissions(secretDir, fs::perms::owner_all);
    test::WriteFileBytes(secret, "secret");
    fs::permissions(secret, fs::perms::owner_read | fs::perms::owner_write);
    enum class Op { Export, IndexOn };
    struct Case {
        const char* name;
        Op op;
        bool link;    // a link to root's secret, else a file of mode 06777
        int error;    // of the operation
        mode_t mode;  // of the written file
    };
    const std::vector<Case> cases = {
        {"e1.txt", Op::Export, true, 5, 0},
        {"u1.ndx", Op::IndexOn, true, 5, 0},
        {"e2.txt", Op::Export, false, 0, 0644},
    };
    test::RunAsNobody({}, [&] {
        for (const Case& c : cases) {
            const std::string at = shared_ + "/" + c.name;
            if (c.link) {
                fs::create_symlink(secret, at);
            } else {
                test::WriteFileBytes(at, "planted");
                ASSERT_EQ(chmod(at.c_str(), 06777), 0);
            }
        }
    });
    Select(1);
    ASSERT_TRUE(Use(table_ + " EXCLUSIVE", nullptr, 0)) << EngineErrorMsg;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string at = shared_ + "/" + c.name;
        if (c.op == Op::Export)
            WriteDelimitedFile(at, false);
        else
            Index_On("K", at);
        EXPECT_EQ(EngineErrorCode, c.error) << EngineErrorMsg;
        EXPECT_EQ(IsLink(at), c.link);
        if (c.error != 0) {
            EXPECT_NE(EngineErrorMsg.find(c.name), std::string::npos) << EngineErrorMsg;
            continue;
        }
        struct stat st {};
        ASSERT_EQ(lstat(at.c_str(), &st), 0);
        EXPECT_EQ(st.st_uid, 0u);
        EXPECT_EQ(st.st_mode & 07777, c.mode);
        EXPECT_GT(st.st_size, 30);
    }
    CloseArea();
    umask(savedMask);
    EXPECT_EQ(test::ReadFileBytes(secret), "secret");
    EXPECT_EQ(ModeOf(secret), 0600u);
}

// A folder shared through a default ACL that gives a group every right: a
// member of that group packs a table of another member, which keeps every
// right through the ACL; the new files carry the old ACL, and the table's
// owner still changes the table afterwards.
TEST_F(SharedFolderTest, AMemberPacksATableInAFolderSharedThroughADefaultAcl) {
    if (geteuid() != 0) GTEST_SKIP() << "a second member of nobody's group needs root";
    if (std::system("command -v setfacl >/dev/null") != 0) FAIL() << "setfacl missing (acl)";
    const passwd* nobody = getpwnam("nobody");
    ASSERT_NE(nobody, nullptr);
    const std::string folder = Path("group");
    fs::create_directory(folder);
    fs::permissions(folder, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                fs::perms::others_read | fs::perms::others_exec);
    const std::string acl = "g:" + std::to_string(nobody->pw_gid) + ":rwx";
    ASSERT_EQ(std::system(("setfacl -m " + acl + " -m d:" + acl + " '" + folder + "'").c_str()), 0);
    const mode_t savedMask = umask(022);
    const std::string table = folder + "/T.DBF";
    MakeMemoTable(table, 30, true);
    umask(savedMask);
    // The table's owner is nobody, its group one of nobody's own (4242); a
    // reader of its own (4244) is named in its ACL.
    for (const char* name : {"T.DBF", "T.DBT", "k.ndx"}) {
        const std::string path = folder + "/" + name;
        ASSERT_EQ(chown(path.c_str(), nobody->pw_uid, 4242), 0);
        ASSERT_EQ(std::system(("setfacl -n -m u:4244:r '" + path + "'").c_str()), 0);
    }
    auto aclOf = [](const std::string& path) {
        std::string raw(256, '\0');
        const ssize_t n = getxattr(path.c_str(), "system.posix_acl_access", raw.data(), raw.size());
        raw.resize(n < 0 ? 0 : static_cast<std::size_t>(n));
        return raw;
    };
    const std::string before = aclOf(table);
    ASSERT_FALSE(before.empty());
    EXPECT_EQ(
        test::RunForked([] { return test::BecomeMemberOfNobodysGroup(4243); },
                        [&] {
                            Select(1);
                            ASSERT_TRUE(Use(table + " EXCLUSIVE", nullptr, 0)) << EngineErrorMsg;
                            ASSERT_TRUE(OpenIndexFile(folder + "/k.ndx", 1)) << EngineErrorMsg;
                            EXPECT_TRUE(Pack()) << EngineErrorMsg;
                            CloseArea();
                        }),
        0);
    EXPECT_EQ(aclOf(table), before);
    test::RunAsNobody({}, [&] {
        Select(1);
        ASSERT_TRUE(Use(table + " EXCLUSIVE", nullptr, 0)) << EngineErrorMsg;
        ASSERT_TRUE(OpenIndexFile(folder + "/k.ndx", 1)) << EngineErrorMsg;
        EXPECT_EQ(RecCount(), 24);
        ClearRecord();
        test::SetT("k99");
        Append();
        EXPECT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
        EXPECT_EQ(RecCount(), 25);
        CloseArea();
    });
}

// Root that may not give files away (as under root squash) would take
// another account's table as its own: the Pack is refused before any work,
// in German, naming what the owner and group would lose, and the table stays
// as it was and whose it was.
TEST_F(SharedFolderTest, ATableThatWouldChangeOwnerIsRefusedWithoutTheRightToGiveItBack) {
    if (geteuid() != 0) GTEST_SKIP() << "taking the right to change owners needs root";
    const passwd* nobody = getpwnam("nobody");
    ASSERT_NE(nobody, nullptr);
    MakeMemoTable(table_, 30, true);
    for (const char* name : {"T.DBF", "T.DBT", "k.ndx"}) {
        const std::string path = shared_ + "/" + name;
        ASSERT_EQ(chown(path.c_str(), nobody->pw_uid, nobody->pw_gid), 0);
        ASSERT_EQ(chmod(path.c_str(), 0664), 0);
    }
    const std::set<std::string> files = Listing(shared_);
    const std::string tableBytes = test::ReadFileBytes(table_);
    // Refused before any work: no new file is made in the folder at all.
    const auto changed = [&] {
        struct stat st {};
        stat(shared_.c_str(), &st);
        return std::pair(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
    };
    const auto folderBefore = changed();
    EXPECT_EQ(test::RunForked(
                  test::LoseChownRight,
                  [&] {
                      Select(1);
                      ASSERT_TRUE(Use(table_ + " EXCLUSIVE", nullptr, 0)) << EngineErrorMsg;
                      ASSERT_TRUE(OpenIndexFile(shared_ + "/k.ndx", 1)) << EngineErrorMsg;
                      EXPECT_FALSE(Pack());
                      EXPECT_EQ(EngineErrorCode, 5);
                      EXPECT_NE(EngineErrorMsg.find("Eigent\x81mer nobody verl\x94re Schreibrecht"),
                                std::string::npos)
                          << EngineErrorMsg;
                      EXPECT_NE(EngineErrorMsg.find("Gruppe nogroup verl\x94re Schreibrecht"),
                                std::string::npos)
                          << EngineErrorMsg;
                      CloseArea();
                  }),
              0);
    EXPECT_EQ(Listing(shared_), files);
    EXPECT_EQ(changed(), folderBefore);
    EXPECT_TRUE(test::ReadFileBytes(table_) == tableBytes);
    struct stat st {};
    ASSERT_EQ(stat(table_.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, nobody->pw_uid);
}

}  // namespace
}  // namespace kor2
