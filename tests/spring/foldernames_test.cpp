// Folders whose names hold the table engine's option words (EXCLUSIVE, ALIAS,
// VIRTUAL FILE, LINKED LIST, UNIQUE, DESCENDING ...), blanks at their ends or
// double quotes: the engine's text commands given such a name in double
// quotes, the browser's own commands, and the material table of a program
// installed in such a folder with its temporary folder there, work on the
// files of that folder and never on another table.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "common/globals.h"
#include "common/scriptdialogs.h"
#include "fedwst_rows.h"
#include "spring/material.h"
#include "spring/materialtable.h"
#include "springtables.h"
#include "support/tempdir.h"
#include "tables/area/changes.h"
#include "tables/area/engine.h"
#include "tables/area/navigation.h"
#include "tables/area/search.h"
#include "tables/area/workareas.h"
#include "tables/base/commandtext.h"
#include "tables/base/engineerror.h"
#include "tables/browser/browsermodel.h"
#include "tables/browser/procedural.h"
#include "tables/dataset/memorydataset.h"
#include "tables/index/ndxbuild.h"
#include "tables/index/orders.h"
#include "tables/vfile/vfiles.h"

namespace kor2::test {
namespace {

namespace fs = std::filesystem;

// A folder name and, where the old reading of options made another path of
// it, that path's folder: a table planted there must stay untouched.
struct FolderCase {
    const char* folder;
    const char* decoy;
};
const FolderCase kFolders[] = {
    {"Kunden unique Daten", "Kunden Daten"},
    {"Kunden, alt UNIQUE", nullptr},
    {"Projekt EXCLUSIVE", "Projekt"},
    {"p EXCLUSIVE q", "p q"},
    {"i EXCLUSIVE j", "i j"},
    {"a linked list", nullptr},
    {" ALIAS ", nullptr},
    {" alias x ", nullptr},
    {"VIRTUAL FILE", nullptr},
    {"descending", nullptr},
    {"x NOCACHE soundex", nullptr},
    {"Feder \"7\" neu", nullptr},
    {"\"", nullptr},
};

constexpr int kDecoyRows = 5;  // the first materials only: number 6 is not there
constexpr int kAppendedRows = 3;

class FolderNames : public ::testing::Test {
protected:
    void SetUp() override {
        StartSpringTables();
        InstallVFileHook();
        SetEngineMessageBox([](const std::string&, const std::string&, unsigned) { return IDOK; });
    }
    void TearDown() override {
        InitW32Tables();
        SetEngineMessageBox(nullptr);
        ShutdownTableEngine();
        VFileHook = nullptr;
    }
    // Tables written in a plain folder that is then renamed: the writing
    // itself goes through no name under test.
    static void WriteTables(const fs::path& folder, bool decoy) {
        const fs::path plain = folder.parent_path() / "plain";
        fs::create_directory(plain);
        const std::vector<std::array<std::string, 27>> first(kFedwstRows.begin(),
                                                             kFedwstRows.begin() + kDecoyRows);
        if (decoy) {
            ASSERT_TRUE(WriteFedwstTable((plain / "fedwst.dbf").string(), first));
            ASSERT_TRUE(WriteFedwstTable((plain / "t.dbf").string(), first));
        } else {
            const std::vector<std::array<std::string, 27>> last(kFedwstRows.end() - kAppendedRows,
                                                                kFedwstRows.end());
            ASSERT_TRUE(WriteFedwstTable((plain / "fedwst.dbf").string()));
            ASSERT_TRUE(WriteFedwstTable((plain / "t.dbf").string()));
            ASSERT_TRUE(WriteFedwstTable((plain / "s.dbf").string(), last));
        }
        fs::rename(plain, folder);
    }
    static int32_t RecordsOf(const std::string& table) {
        const bool handling = SetErrorHandling(false);
        const int32_t n = Use(QuoteName(table), nullptr, 0) ? RecCount() : -1;
        CloseArea();
        SetErrorHandling(handling);
        return n;
    }
    static int VisibleInOrder() {
        int n = 0;
        for (GoTop(); !dEOF() && n <= 100; Skip(1)) ++n;
        return n;
    }
};

TEST_F(FolderNames, EveryFolderNameIsANameForTablesIndexesAndTheMaterialTable) {
    std::set<std::string> distinct;
    for (const auto& row : kFedwstRows) distinct.insert(row[3]);
    const int rows = static_cast<int>(kFedwstRows.size());

    for (const FolderCase& c : kFolders) {
        SCOPED_TRACE(std::string("folder [") + c.folder + "]");
        TempDir base;
        const fs::path folder = base.path() / c.folder;
        WriteTables(folder, false);
        if (c.decoy) WriteTables(base.path() / c.decoy, true);
        const std::string dir = folder.string() + "/";
        const std::string table = dir + "t.dbf";

        // The engine's text commands with the name in double quotes.
        ErrorHandling = false;
        EXPECT_TRUE(Use(QuoteName(table) + " EXCLUSIVE ALIAS kunden", nullptr, 0))
            << EngineErrorMsg;
        EXPECT_EQ(AreaAlias(), "KUNDEN");
        EXPECT_EQ(RecCount(), rows);
        // A name without folder, beginning with a blank, goes beside the table.
        Index_On("NAME4", QuoteName(" n4.ndx") + " UNIQUE");
        EXPECT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
        EXPECT_EQ(VisibleInOrder(), static_cast<int>(distinct.size()));
        Index_On("WERKSTNR", QuoteName(dir + "nr.ndx") + " descending");
        EXPECT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
        EXPECT_TRUE(fs::exists(folder / " n4.ndx") && fs::exists(folder / "nr.ndx"));
        Set_Index_To(QuoteName(dir + "nr.ndx") + " " + QuoteName(dir + " n4.ndx"));
        EXPECT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
        GoBottom();
        EXPECT_EQ(RecNo(), rows);
        Set_Order_To(2);
        EXPECT_EQ(VisibleInOrder(), static_cast<int>(distinct.size()));
        Set_Index_To(std::vector<std::string>{dir + " n4.ndx", dir + "nr.ndx"});
        EXPECT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
        EXPECT_EQ(VisibleInOrder(), static_cast<int>(distinct.size()));
        Reindex();
        EXPECT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
        CloseAllIndexes();
        EXPECT_TRUE(AppendFrom(QuoteName(dir + "s.dbf"), nullptr)) << EngineErrorMsg;
        EXPECT_EQ(RecCount(), rows + kAppendedRows);
        Go(1);
        DeleteRec();
        EXPECT_TRUE(Pack()) << EngineErrorMsg;
        CloseArea();
        EXPECT_EQ(RecordsOf(table), rows + kAppendedRows - 1) << EngineErrorMsg;
        if (c.decoy) {
            EXPECT_EQ(RecordsOf((base.path() / c.decoy / "t.dbf").string()), kDecoyRows);
        }
        ErrorHandling = true;

        // The browser's own commands: open exclusively, sort by a column
        // (its index in the temporary folder), append a table chosen.
        TempFolder = dir;
        ScriptedDialogs dialogs;
        dbf4().tbdbf.SetExclusive(true);
        EXPECT_NO_THROW(DbfOpenTable(table));
        if (dbf4().tbdbf.Active()) {
            EXPECT_EQ(DbfRecordCount(), rows + kAppendedRows - 1);
            EXPECT_NO_THROW(dbf4().TbGrid1DepressTitle(0));
            EXPECT_EQ(dbf4().SortField, "NAME1");
            dialogs.answers.push_back(ScriptedAnswer::Type(dir + "s.dbf"));
            EXPECT_NO_THROW(dbf4().mi_fileAppenddbfClick());
            EXPECT_EQ(DbfRecordCount(), rows + 2 * kAppendedRows - 1);
            EXPECT_NO_THROW(dbf4().tbdbf.SetIndexTo(QuoteName(dir + " n4.ndx")));
            EXPECT_FALSE(dbf4().tbdbf.IsSequenced());
            DbfCloseTable();
        }
        dbf4().tbdbf.SetExclusive(false);
        // The data set's index list, with its names in double quotes.
        dbf4().tbdbf.IndexList = {"1, " + QuoteName(dir + "ds.ndx") + " NOCACHE, WERKSTNR"};
        // Built once when missing; its header then matches the table.
        int builds = 0;
        dbf4().tbdbf.OnBeforeMakeIndex = [&builds](const std::string&, bool&) { ++builds; };
        for (const TCreateIndexType mode : {ciNotFound, ciVerifyHeader}) {
            dbf4().tbdbf.CreateIndex = mode;
            EXPECT_NO_THROW(DbfOpenTable(table));
            EXPECT_TRUE(dbf4().tbdbf.Active() && !dbf4().tbdbf.IsSequenced());
            if (dbf4().tbdbf.Active()) DbfCloseTable();
        }
        EXPECT_TRUE(fs::exists(folder / "ds.ndx"));
        EXPECT_EQ(builds, 1);
        dbf4().tbdbf.OnBeforeMakeIndex = nullptr;
        dbf4().tbdbf.IndexList.clear();
        dbf4().tbdbf.CreateIndex = ciNotFound;
        // A memory data set loaded from the table.
        {
            TTbVFile memory;
            memory.DbfFields = kFedwstFields;
            memory.SetDbfFileName(table);
            memory.PopulateFromDisk = true;
            EXPECT_NO_THROW(memory.Open());
            EXPECT_EQ(memory.RecordCount(), rows + 2 * kAppendedRows - 1);
        }

        // The program installed in the folder, its temporary folder there.
        DbfFolder = dir;
        bool loaded = false;
        EXPECT_NO_THROW(loaded = LoadMaterialById(6));
        EXPECT_TRUE(loaded);
        EXPECT_EQ(MaterialRec.MaterialNo, 6);
        ResetMaterialRecord();
        if (c.decoy) {
            EXPECT_EQ(RecordsOf((base.path() / c.decoy / "fedwst.dbf").string()), kDecoyRows);
        }
        InitW32Tables();
        CloseAllAreas();
    }
}

}  // namespace
}  // namespace kor2::test
