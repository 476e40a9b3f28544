// The spring program under a German user's locale: the demo springs read,
// checked, reported and saved give the same bytes as under "C", both in this
// process with the C library's locale taken from LANG as the form library
// takes it, and as a second program started with LANG=de_DE.UTF-8; the
// window's table browser reads number texts with their decimals.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <iomanip>
#include <optional>
#include <string>
#include <vector>

#include "app/hostfile.h"
#include "app/startup.h"
#include "common/globals.h"
#include "common/scriptdialogs.h"
#include "platform/hostfs.h"
#include "spring/springdata.h"
#include "spring/springfile.h"
#include "support/command.h"
#include "support/germanlocale.h"
#include "support/shippedtable.h"
#include "support/tempdir.h"
#include "tables/area/engine.h"
#include "tables/browser/browsermodel.h"
#include "tables/browser/procedural.h"
#include "tables/dataset/dbfdataset.h"

namespace kor2 {
namespace {

using test::ReadHostFile;

const std::string kData = std::string(KOR2_SOURCE_DIR) + "/data/";
const char* const kSprings[] = {"muster1", "muster2"};

// A report without its first two lines, which hold the date, the time and
// the run's private temporary folder.
std::string ReportBody(const std::string& report) {
    std::size_t at = 0;
    for (int line = 0; line < 2 && at != std::string::npos; ++line) {
        at = report.find('\n', at);
        if (at != std::string::npos) ++at;
    }
    return at == std::string::npos ? std::string() : report.substr(at);
}

// LC_ALL for the life of the object, and the C library's locale taken from
// the environment as the form library takes it; "C" and the old value after.
class UserLocale {
public:
    explicit UserLocale(const char* name) {
        if (const char* old = std::getenv("LC_ALL")) old_ = old;
        setenv("LC_ALL", name, 1);
        active_ = std::setlocale(LC_ALL, "") != nullptr;
    }
    ~UserLocale() {
        if (old_)
            setenv("LC_ALL", old_->c_str(), 1);
        else
            unsetenv("LC_ALL");
        std::setlocale(LC_ALL, "C");
    }
    UserLocale(const UserLocale&) = delete;
    UserLocale& operator=(const UserLocale&) = delete;
    bool Active() const { return active_; }

private:
    std::optional<std::string> old_;
    bool active_ = false;
};

// What one run in this process gives: the reports and saved files as bytes,
// and a few results as values (an Extended's padding bytes are not part of
// its value, so the results are compared as numbers, exactly).
struct InProcessRun {
    std::string text;
    std::vector<Extended> results;
};

class LocaleReportTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::GermanLocaleInstalled()) GTEST_SKIP() << test::kNoGermanLocale;
    }
    void TearDown() override {
        ShutdownTableEngine();
        AbortFlag = false;
        ClearErrorList();
    }
    // The reports and saved files of both demo springs, with the values of
    // a few results, computed in this process under the given locale.
    InProcessRun RunInProcess(const char* locale) {
        UserLocale user(locale);
        EXPECT_TRUE(user.Active()) << locale;
        test::TempDir tmp;
        SetCommandLine({});
        InitAllUnits();
        TempFolder = tmp.path().string();
        DbfFolder = test::ShippedTableCopy(tmp);  // the shipped material table
        InProcessRun out;
        for (const char* name : kSprings) {
            const std::string spring = tmp.file(std::string(name) + ".kr2");
            EXPECT_TRUE(platform::WriteFileReplacing(
                spring, ReadHostFile(kData + "TRAIN/" + name + ".kr2")));
            EXPECT_EQ(RunBatchReport(ParseCommandLine({spring, "/I"})), 0);
            out.text += ReportBody(ReadHostFile(tmp.file(std::string(name) + ".txt")));
            out.results.insert(out.results.end(), {MeanDiameter, ForceF1, ForceF2});
            const std::string saved = tmp.file(std::string("saved-") + name + ".kr2");
            WriteSpringFile(saved);
            EXPECT_FALSE(ReadHostFile(saved).empty());
            out.text += ReadHostFile(saved);
            ShutdownTableEngine();
            InitAllUnits();
            TempFolder = tmp.path().string();
            DbfFolder = test::ShippedTableCopy(tmp);
        }
        ShutdownTableEngine();
        return out;
    }
};

TEST_F(LocaleReportTest, SpringsReportedAndSavedInThisProcessAsUnderC) {
    const InProcessRun underC = RunInProcess("C");
    ASSERT_NE(underC.text.find("Demo-Zugfeder"), std::string::npos);
    const InProcessRun german = RunInProcess(test::kGermanLocale);
    EXPECT_EQ(german.text, underC.text);
    ASSERT_EQ(german.results.size(), underC.results.size());
    for (std::size_t i = 0; i < underC.results.size(); ++i)
        EXPECT_EQ(german.results[i], underC.results[i])
            << "result " << i << std::setprecision(21) << ": " << german.results[i] << " against "
            << underC.results[i];
}

// The window's table browser under the locale the window sets from LANG:
// its "append table" menu item brings number texts with the user's decimal
// comma from a text column into the material table's number columns whole.
TEST_F(LocaleReportTest, BrowserAppendsNumberTextsWithTheirDecimals) {
    UserLocale user(test::kGermanLocale);
    ASSERT_TRUE(user.Active());
    test::TempDir tmp;
    SetCommandLine({});
    InitAllUnits();
    TempFolder = tmp.path().string();
    DbfFolder = test::ShippedTableCopy(tmp);
    const std::string source = tmp.file("texts.dbf");
    {
        TTbDbf make;
        make.Name = "TEXTS";
        make.DbfFields = {"NAME1, C, 50, 0", "DICHTE, C, 6, 0", "DMIN, C, 8, 0"};
        make.SetDbfFileName(source);
        make.Open();
        make.Append();
        make.FieldByName("NAME1").SetAsString("Neu");
        make.FieldByName("DICHTE").SetAsString("7,85");
        make.FieldByName("DMIN").SetAsString("0,3");
        make.Post();
        make.Close();
    }
    ScriptedDialogs ui;
    ui.answers.push_back(ScriptedAnswer::Type(source));
    DbfOpenTableChecked("fedwst");
    ASSERT_FALSE(AbortFlag);
    dbf4().mi_fileAppenddbfClick();
    DbfGoRecord(DbfRecordCount());
    std::string name, density, dmin;
    DbfGetFieldStr(1, name);
    DbfGetFieldStr(7, density);
    DbfGetFieldStr(23, dmin);
    DbfCloseTable();
    EXPECT_EQ(name.substr(0, 3), "Neu");
    EXPECT_EQ(density, "  7,85");
    EXPECT_EQ(dmin, "   0,300");
}

TEST_F(LocaleReportTest, ProgramStartedWithAGermanLangReportsAsUnderC) {
    auto report = [](const std::string& lang) {
        test::TempDir tmp;
        const std::string dir = tmp.path().string();
        std::string out;
        for (const char* name : kSprings) {
            const std::string file = std::string(name) + ".kr2";
            EXPECT_TRUE(platform::WriteFileReplacing(tmp.file(file),
                                                     ReadHostFile(kData + "TRAIN/" + file)));
            int status = -1;
            test::CommandOutput(
                "cd '" + dir + "' && env -u DISPLAY -u WAYLAND_DISPLAY XDG_CONFIG_HOME='" + dir +
                    "' TMPDIR='" + dir + "' LANG=" + lang + " LC_ALL=" + lang + " '" +
                    KOR2_PROGRAM + "' " + file + " /I 2>&1",
                &status);
            EXPECT_EQ(status, 0) << lang << ' ' << file;
            out += ReportBody(ReadHostFile(tmp.file(std::string(name) + ".txt")));
        }
        return out;
    };
    const std::string underC = report("C");
    ASSERT_NE(underC.find("Demo-Zugfeder"), std::string::npos);
    EXPECT_EQ(report(test::kGermanLocale), underC);
}

}  // namespace
}  // namespace kor2
