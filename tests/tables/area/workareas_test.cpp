// Work areas, Use and field access, navigation and visibility, and the hook
// tables as the command layer calls them.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <filesystem>

#include "platform/oemtext.h"
#include "tables/area/changes.h"
#include "tables/area/navigation.h"
#include "tables/area/search.h"
#include "tables/area/workareas.h"
#include "tables/base/enginedates.h"
#include "tables/base/engineerror.h"
#include "tables/base/enginefile.h"
#include "tables/base/enginestrings.h"
#include "tables/dbf/hooks.h"
#include "tables/index/ndxbuild.h"
#include "tables/index/orders.h"
#include "tables/tbtestutil.h"

namespace kor2 {
namespace {

class WorkAreaTest : public test::EngineTest {
protected:
    // Records "r1" .. "rN" in field T (C 4), N (N 3); the ones in deleted marked '*'.
    std::string Table(int n, std::initializer_list<int> deleted = {}) {
        const std::string path = Path("t" + std::to_string(++tables_) + ".dbf");
        test::MakeTable(path,
                        {{"T", 'C', 4, 0}, {"N", 'N', 3, 0}, {"D", 'D', 0, 0}, {"L", 'L', 0, 0}});
        std::vector<std::vector<std::string>> rows;
        for (int i = 1; i <= n; ++i) {
            bool del = false;
            for (int d : deleted) del = del || d == i;
            rows.push_back(
                {del ? "*" : " ", "r" + std::to_string(i), std::to_string(i), "19980317", "T"});
        }
        test::AppendRaw(path, rows);
        return path;
    }
    std::string Text() { return AllTrimmed(FieldText(1)); }
    static std::string AllTrimmed(std::string s) {
        while (!s.empty() && s.back() == ' ') s.pop_back();
        return s;
    }
    int tables_ = 0;
};

TEST_F(WorkAreaTest, SelectAndAllAreasInUse) {
    const std::string path = Table(1);
    for (int i = 1; i <= UserAreaCount; ++i) {
        Select(i);
        ASSERT_TRUE(Use(path + " ALIAS A" + std::to_string(i), nullptr, 0)) << EngineErrorMsg;
    }
    Select(5);
    Select(0);
    ExpectError(220, "Kein Arbeitsbereich frei [Select(0)]");
    EXPECT_EQ(CurrentAreaNo(), 5);
    Select(34);
    ExpectError(220, "Ungültiger Arbeitsbereich = [Select(34)]"_oem);
    CloseAllAreas();
    EXPECT_EQ(CurrentAreaNo(), 1);
    Select(0);
    EXPECT_EQ(CurrentAreaNo(), 1);
}

TEST_F(WorkAreaTest, UseOptionsAliasAndBuffers) {
    const std::string path = Table(2);
    ASSERT_TRUE(Use(path, nullptr, 0)) << EngineErrorMsg;  // own typed buffer
    EXPECT_EQ(AreaAlias(), "T1");
    EXPECT_TRUE(CurrentDbf()->exclusive == false);
    Select(2);
    EXPECT_FALSE(Use(path, nullptr, 0));
    ExpectError(220, "Alias-Name \"T1\" bereits benutzt.");
    EXPECT_EQ(CurrentDbf(), nullptr);  // a failed Use leaves the area free
    ASSERT_TRUE(Use(path + " alias zwei", nullptr, 0)) << EngineErrorMsg;
    EXPECT_EQ(AreaAlias(), "ZWEI");

    std::vector<uint8_t> wrong(10);
    Select(3);
    EXPECT_FALSE(Use(path + " ALIAS DREI", wrong.data(), 10));
    ExpectError(266, "Record Size=" + std::to_string(1 + 5 + 4 + 11 + 1) + ", Buffer Size=10");
    EXPECT_FALSE(Use(path, nullptr, 7));
    EXPECT_EQ(EngineErrorCode, 220);
    // The name as the host writes it: the file's real case, not the
    // upper-cased text Use works with.
    EXPECT_EQ(EngineErrorMsg,
              "Puffer ist NIL oder Größe ist Null beim Öffnen von "_oem + path + "  [USE]");
    std::vector<uint8_t> buf(1 + 5 + 4 + 11 + 1);
    EXPECT_FALSE(
        Use(path + " ALIAS DREI EXCLUSIVE", buf.data(), static_cast<uint16_t>(buf.size())));
    EXPECT_EQ(EngineErrorCode, 32);  // others have it open
    for (int i : {1, 2}) Select(i), CloseArea();
    Select(3);
    ASSERT_TRUE(Use(path + " ALIAS DREI EXCLUSIVE", buf.data(), static_cast<uint16_t>(buf.size())));
    EXPECT_TRUE(CurrentDbf()->exclusive);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buf.data() + 2), 4), "r1  ");
    EXPECT_TRUE(Use("", nullptr, 0));  // an empty text only closes
    EXPECT_EQ(CurrentDbf(), nullptr);

    NetworkMode = false;
    ASSERT_TRUE(Use(path + " ALIAS VIER", nullptr, 0));
    EXPECT_TRUE(CurrentDbf()->exclusive);
    EXPECT_FALSE(Use(Path("fehlt.dbf"), nullptr, 0));
    ExpectError(2, "Fehler beim Öffnen von "_oem);
}

TEST_F(WorkAreaTest, ExceptionModeLeavesNothingOpen) {
    const std::string good = Table(2);
    const std::string bytes = test::ReadFileBytes(good);
    const std::string bad = Path("kaputt.dbf");
    test::WriteFileBytes(bad, bytes.substr(0, 32 * 4 + 33 + 10));  // the first record cut short
    ErrorHandling = true;
    ExceptionMode = true;
    // Exclusive: the count comes from the header, not from the file size.
    EXPECT_THROW(Use(bad + " EXCLUSIVE", nullptr, 0), ETableError);
    EXPECT_EQ(CurrentDbf(), nullptr);
    EXPECT_THROW(Skip(1), ETableError);  // 215 on the free area
    ASSERT_NO_THROW(Use(good, nullptr, 0));
    EXPECT_THROW(Go(9), ETableError);
    EXPECT_EQ(EngineErrorCode, 212);
    ExceptionMode = false;
    ErrorHandling = false;
    CloseArea();
    // Both files were closed: they open exclusively again.
    EXPECT_TRUE(Use(bad + " EXCLUSIVE", nullptr, 0) || EngineErrorCode == 213);
    EXPECT_TRUE(Use(good + " EXCLUSIVE", nullptr, 0)) << EngineErrorMsg;
}

// Two tables whose names differ only in case are two tables: each name
// opens its own, whatever case the words of the command are written in.
TEST_F(WorkAreaTest, NamesDifferingOnlyInCaseAreTwoTables) {
    const std::string small = Table(1), big = Table(3);
    const std::string upper = Path("T1.dbf");
    ASSERT_EQ(std::rename(big.c_str(), upper.c_str()), 0);
    ASSERT_TRUE(Use(small + " exclusive", nullptr, 0)) << EngineErrorMsg;
    EXPECT_EQ(RecCount(), 1);
    EXPECT_TRUE(CurrentDbf()->exclusive);
    Select(2);
    ASSERT_TRUE(Use(upper + " alias Big Exclusive", nullptr, 0)) << EngineErrorMsg;
    EXPECT_EQ(AreaAlias(), "BIG");
    EXPECT_EQ(RecCount(), 3);
    // The other table is no append onto itself.
    ASSERT_TRUE(AppendFrom(small, nullptr)) << EngineErrorMsg;
    EXPECT_EQ(RecCount(), 4);
    CloseAllAreas();
    EXPECT_EQ(test::ReadAllRecords(small).size(), 1u);
    EXPECT_EQ(test::ReadAllRecords(upper).size(), 4u);
}

TEST_F(WorkAreaTest, FieldAccess) {
    ASSERT_TRUE(Use(Table(1), nullptr, 0));
    EXPECT_EQ(FieldCount(), 4);
    EXPECT_EQ(Field(2), "N");
    EXPECT_EQ(FieldNo(" d "), 3);
    EXPECT_EQ(FieldNo("x"), 0);
    EXPECT_EQ(FieldType(4), 'L');
    EXPECT_EQ(FieldLen(3), 8);
    CenturyDisplay = true;
    EXPECT_EQ(FieldLen(3), 10);
    CenturyDisplay = false;
    EXPECT_EQ(FieldText(4), "Y");
    EXPECT_EQ(FieldText(2), "  1");
    EXPECT_EQ(FieldText(3), "17.03.98");
    FieldAddress(4)[0] = 0;
    EXPECT_EQ(FieldText(4), "N");
    EXPECT_EQ(FieldText(5), "");
    ExpectError(220, "Ungültige Feldnr. [FieldText(5)]"_oem);
    CloseArea();
    EXPECT_EQ(FieldCount(), 0);
    ExpectError(215, "[FieldCount()]  WorkArea = 1");
    EXPECT_TRUE(dEOF());
    EXPECT_TRUE(dBOF());
}

TEST_F(WorkAreaTest, TakeKeywordLeavesLongerWords) {
    std::string t = "t.dbf exclusive alias x";
    EXPECT_TRUE(TakeKeyword(" EXCLUSIVE", t));
    EXPECT_EQ(t, "t.dbf alias x");  // the rest keeps its case
    t = "a.dbf exclusively";
    EXPECT_FALSE(TakeKeyword(" EXCLUSIVE", t));
}

// A text whose name in double quotes is not whole (its quote not closed,
// empty, or followed by words that are no options) is refused by every
// command that takes a file name, and nothing is opened or written.
TEST_F(WorkAreaTest, QuotedNamesThatAreNotWholeAreRefused) {
    const std::string path = Table(2);
    ASSERT_TRUE(Use(path, nullptr, 0)) << EngineErrorMsg;
    const auto entries = [this] {
        size_t n = 0;
        for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(Path(""))) ++n;
        return n;
    };
    const size_t files = entries();
    for (const std::string& text : {"\"" + path, "\"" + path + "\"x", std::string("\"\" ALIAS X"),
                                    "\"" + path + "\" junk", "\"" + path + "\" \"" + path + "\""}) {
        SCOPED_TRACE(text);
        const auto refused = [&](bool ok) {
            EXPECT_FALSE(ok);
            ExpectError(220, "Ungültiger Dateiname in Anführungszeichen: "_oem + text);
        };
        Select(2);
        refused(Use(text, nullptr, 0));
        EXPECT_EQ(CurrentDbf(), nullptr);
        Select(1);
        refused(AppendFrom(text, nullptr));
        EXPECT_EQ(RecCount(), 2);
        refused(SetIndexTo(text, 1));
        MakeIndexFromExpr("T", text);
        refused(EngineErrorCode == 0);
        EXPECT_EQ(entries(), files);
    }
}

TEST_F(WorkAreaTest, SkipAndEndsOfFile) {
    ASSERT_TRUE(Use(Table(3, {3}), nullptr, 0));
    SetIgnoreDel(true);
    GoBottom();
    EXPECT_EQ(RecNo(), 2);
    Skip(1);
    EXPECT_TRUE(dEOF());
    EXPECT_EQ(RecNo(), 4);
    EXPECT_EQ(Text(), "");
    Skip(1);
    ExpectError(212, "ist hinter EOF. [SKIP]");
    Skip(-1);
    EXPECT_EQ(RecNo(), 2);
    EXPECT_FALSE(dEOF());
    GoTop();
    Skip(-1);
    EXPECT_TRUE(dBOF());
    EXPECT_EQ(RecNo(), 1);
    EXPECT_EQ(Text(), "r1");
    Skip(5);
    EXPECT_TRUE(dEOF());
    Go(3);  // deleted records are reached by number
    EXPECT_EQ(Text(), "r3");
    EXPECT_TRUE(Deleted());
    Go(7);
    ExpectError(212, "Ungültige Datensatznr. = 7 Datenbank \""_oem);
    EXPECT_TRUE(dEOF());
    EXPECT_FALSE(GoIfValid(0));
}

TEST_F(WorkAreaTest, AllDeletedAndEmptyTables) {
    ASSERT_TRUE(Use(Table(2, {1, 2}), nullptr, 0));
    SetIgnoreDel(true);
    GoTop();
    EXPECT_TRUE(dEOF());
    EXPECT_TRUE(dBOF());
    EXPECT_EQ(RecNo(), 3);
    Select(2);
    ASSERT_TRUE(Use(Table(0), nullptr, 0));
    EXPECT_EQ(RecNo(), 0);
    EngineErrorCode = 0;
    GoTop();
    EXPECT_EQ(EngineErrorCode, 0);
    Skip(1);
    ExpectError(212, "ist leer. [SKIP]");
}

TEST_F(WorkAreaTest, SharedCountFollowsTheFile) {
    const std::string path = Table(2);
    ASSERT_TRUE(Use(path, nullptr, 0));
    EXPECT_EQ(RecCount(), 2);
    test::AppendRaw(path, {{" ", "r3", "3"}});  // as another program would
    EXPECT_EQ(RecCount(), 3);
}

// Field T of the typed buffer (a length byte and the text).
void SetFieldText(int field, const std::string& text) {
    uint8_t* p = FieldAddress(field);
    p[0] = static_cast<uint8_t>(text.size());
    std::memcpy(p + 1, text.data(), text.size());
}

// Bytes after the three records of a table whose header counts three: the
// appends of a writer that held the table alone and ended before its close
// (its header's byte 14 says so), or what another tool left there with byte
// 14 set. A record beyond the header's count counts only when it is whole
// and its first byte is a blank or '*', for every kind of open, those that
// may only read included; the next append goes right after the records. A
// table whose own close cleared byte 14 counts what its header says, blanks
// after it or not.
TEST_F(WorkAreaTest, RecordsBeyondTheHeadersCountCountOnlyWhenWholeAndFlagged) {
    constexpr int Len = 17;  // record length of Table()
    const std::string two = " r4  4  19980317T" + std::string("*r5  5  19980317T");
    struct Case {
        const char* name;
        bool uncounted;  // byte 14 set
        bool ownAppend;  // an exclusive append and close before the tail
        std::string tail;
        int32_t count;   // exclusive opens
        int32_t shared;  // shared opens; -1 not checked
    };
    const Case cases[] = {
        {"two appends that reported success", true, false, two, 5, 5},
        {"an end mark", true, false, "\x1A", 3, 3},
        {"block padding", true, false, "\x1A" + std::string(3 * Len, '\0'), 3, 3},
        {"an end mark and padding of its own", true, false, std::string(2 * Len + 1, '\x1A'), 3, 3},
        {"garbage two records long", true, false, std::string(2 * Len, 'X'), 3, 3},
        {"two appends, then garbage", true, false, two + std::string(2 * Len, 'X'), 5, 5},
        {"half a record", true, false, " r4  4", 3, 3},
        {"blanks after an own append and close", false, true, std::string(2 * Len, ' '), 4, -1},
    };
    struct Open {
        const char* name;
        bool exclusive;
        uint16_t forced;  // ForcedOpenMode
    };
    const Open opens[] = {{"shared, may only read", false, 64},
                          {"exclusive, may only read", true, 16},
                          {"shared", false, 65535},
                          {"exclusive", true, 65535}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = Table(3);
        if (c.ownAppend) {
            ASSERT_TRUE(Use(path + " EXCLUSIVE", nullptr, 0));
            ClearRecord();
            SetFieldText(1, "own");
            Append();
            ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
            CloseArea();
        }
        std::string bytes = test::ReadFileBytes(path);
        ASSERT_EQ(bytes.back(), '\x1A');
        bytes.pop_back();
        if (c.uncounted) bytes[14] = 1;
        test::WriteFileBytes(path, bytes + c.tail);
        int32_t appended = 0;
        for (const Open& o : opens) {
            SCOPED_TRACE(o.name);
            if ((o.exclusive ? c.count : c.shared) < 0) continue;
            const int32_t want = (o.exclusive ? c.count : c.shared) + appended;
            ForcedOpenMode = o.forced;
            const bool used = Use(path + (o.exclusive ? " EXCLUSIVE" : ""), nullptr, 0);
            ForcedOpenMode = 65535;
            ASSERT_TRUE(used) << EngineErrorMsg;
            EXPECT_EQ(RecCount(), want);
            GoBottom();
            EXPECT_EQ(RecNo(), want);
            EXPECT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
            if (o.forced == 65535) {
                // The next append goes right after the records, for good.
                if (!o.exclusive) {
                    ASSERT_TRUE(ALock());
                }
                ClearRecord();
                SetFieldText(1, o.exclusive ? "xx" : "sh");
                Append();
                EXPECT_EQ(RecNo(), want + 1);
                ++appended;
                Unlock();
            }
            CloseArea();
        }
        ASSERT_TRUE(Use(path + " EXCLUSIVE", nullptr, 0));
        ASSERT_EQ(RecCount(), c.count + appended);
        Go(RecCount());
        EXPECT_EQ(Text(), "xx");
        if (c.shared >= 0) {
            Go(RecCount() - 1);
            EXPECT_EQ(Text(), "sh");
        }
        CloseArea();
    }
}

// Program A closes a shared table it re-keyed a record of; program B appends
// while A stands just before its header write. The header never goes back to
// fewer records than the file holds.
TEST_F(WorkAreaTest, SharedCloseKeepsTheCountOfAppendsMadeMeanwhile) {
    const std::string path = Table(4);
    const pid_t a = fork();
    if (a == 0) {
        ScopedFaultPlan faults;
        const bool ok = Use(path, nullptr, 0) && (Go(1), RLock());
        SetFieldText(1, "x1");
        Replace();
        Unlock();
        faults.plan().writes = 0;
        faults.plan().failWrite = 1;
        faults.plan().stop = true;
        CloseArea();
        _exit(ok && EngineErrorCode == 0 ? 0 : 1);
    }
    ASSERT_GT(a, 0);
    int status = 0;
    ASSERT_EQ(waitpid(a, &status, WUNTRACED), a);
    ASSERT_TRUE(WIFSTOPPED(status));

    // B appends now if A leaves it the lock, else once A is done.
    ASSERT_TRUE(Use(path, nullptr, 0));
    const auto appendTwo = [] {
        for (const char* t : {"x", "y"}) {
            ClearRecord();
            SetFieldText(1, t);
            Append();
            ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
        }
        Unlock();
    };
    const bool appendedMeanwhile = ALock();
    if (appendedMeanwhile) appendTwo();
    kill(a, SIGCONT);
    ASSERT_EQ(test::WaitChild(a), 0);
    if (!appendedMeanwhile) {
        ASSERT_TRUE(ALock());
        appendTwo();
    }
    CloseArea();

    const std::string bytes = test::ReadFileBytes(path);
    uint32_t count = 0;
    std::memcpy(&count, bytes.data() + 4, sizeof count);
    EXPECT_EQ(count, 6u);
    ASSERT_TRUE(Use(path + " EXCLUSIVE", nullptr, 0));
    ASSERT_EQ(RecCount(), 6);
    Go(5);
    EXPECT_EQ(Text(), "x");
    Go(6);
    EXPECT_EQ(Text(), "y");
}

// A fake index layer that orders records backwards and counts its protection calls.
struct ReverseIndex {
    int protectOn = 0, protectOff = 0;
    bool failRead = false;
    void Install() {
        IndexLinked = true;
        IndexHooks.inControl = [] { return true; };
        IndexHooks.firstKey = [] { return CurrentDbf()->recordCount; };
        IndexHooks.lastKey = [] { return 1; };
        IndexHooks.nextKey = [] {
            const DbfArea* a = CurrentDbf();
            return a->currentRecord > 1 ? a->currentRecord - 1 : a->currentRecord;
        };
        IndexHooks.prevKey = [] {
            const DbfArea* a = CurrentDbf();
            return a->currentRecord < a->recordCount ? a->currentRecord + 1 : a->currentRecord;
        };
        IndexHooks.pastEnd = [] { return CurrentDbf()->eof; };
        IndexHooks.beforeStart = [] { return CurrentDbf()->bof; };
        IndexHooks.readProtect = [this](int on) { on ? ++protectOn : ++protectOff; };
    }
};

TEST_F(WorkAreaTest, IndexOrderIsFollowedAndProtectionAlwaysEnds) {
    ASSERT_TRUE(Use(Table(3, {3}) + " EXCLUSIVE", nullptr, 0));
    ReverseIndex index;
    index.Install();
    SetIgnoreDel(true);
    GoTop();
    EXPECT_EQ(RecNo(), 2);  // record 3 comes first in the order but is deleted
    Skip(1);
    EXPECT_EQ(RecNo(), 1);
    Skip(1);
    EXPECT_TRUE(dEOF());
    // Reading fails half-way: the file is cut behind record 1.
    CurrentDbf()->file->Truncate(CurrentDbf()->headerLength + CurrentDbf()->recordLength);
    GoTop();
    EXPECT_EQ(EngineErrorCode, 213);
    EXPECT_EQ(index.protectOn, index.protectOff);
    EXPECT_GT(index.protectOn, 2);

    IndexHooks.firstKey = [] { return CurrentDbf()->recordCount + 1; };
    GoTop();
    EXPECT_TRUE(dEOF());
    EXPECT_TRUE(CurrentDbf()->bof);
}

TEST_F(WorkAreaTest, WithoutIndexGoTopSkipsDeletedInRecordOrder) {
    ASSERT_TRUE(Use(Table(4, {1, 2}), nullptr, 0));
    SetIgnoreDel(true);
    GoTop();
    EXPECT_EQ(RecNo(), 3);
    SetIgnoreDel(false);
    GoTop();
    EXPECT_EQ(RecNo(), 1);
}

TEST_F(WorkAreaTest, VirtualTablesNeedTheirLayer) {
    std::vector<uint8_t> buf(8);
    EXPECT_FALSE(Use("LISTE VIRTUAL FILE", buf.data(), 8));
    ExpectError(1101, "[USE(LISTE VIRTUAL FILE,<@Buffer>,<size>)]");
    std::vector<int> ops;
    VFileHook = [&](DbfArea& a) { ops.push_back(a.vOperation); };
    ASSERT_TRUE(Use("liste.x VIRTUAL FILE TO XMS LIFO", buf.data(), 8)) << EngineErrorMsg;
    EXPECT_EQ(AreaAlias(), "LISTE");
    EXPECT_EQ(CurrentDbf()->vStorageKind, 3);
    EXPECT_EQ(CurrentDbf()->vOrderKind, 1);
    CloseArea();
    EXPECT_EQ(ops, (std::vector<int>{VfStartEmpty, VfClose}));
}

}  // namespace
}  // namespace kor2
