// File names with characters beyond ASCII given to a real run of the
// program: a name in code page 850 is read and reported under the host's
// UTF-8 name; a name that code page lacks is refused before anything is
// written.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <filesystem>
#include <set>
#include <string>

#include "app/hostfile.h"
#include "app/programrun.h"
#include "support/tempdir.h"

namespace kor2 {
namespace {

namespace fs = std::filesystem;
using test::ShellQuoted;

const std::string kDemo = std::string(KOR2_SOURCE_DIR) + "/data/TRAIN/muster1.kr2";

std::set<std::string> Entries(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.insert(e.path().filename());
    return names;
}

TEST(HostNamesRun, ReportOfAnUmlautSpringIsWrittenUnderItsUtf8Name) {
    test::TempDir tmp;
    fs::copy_file(kDemo, tmp.path() / "Feder prüf größe.kr2");
    int status = -1;
    const std::string out = test::RunProgramIn(
        tmp.path().string(), ShellQuoted("Feder prüf größe.kr2") + " /I", &status);
    ASSERT_TRUE(WIFEXITED(status)) << out;
    EXPECT_EQ(WEXITSTATUS(status), 0) << out;
    const std::set<std::string> files = Entries(tmp.path());
    EXPECT_EQ(files.count("Feder prüf größe.txt"), 1u) << out;
    for (const std::string& name : files)
        EXPECT_TRUE(name == "cfg" || name.rfind("Feder prüf größe.", 0) == 0) << name;
}

TEST(HostNamesRun, ANameThatCodePage850LacksIsRefusedAndNothingIsWritten) {
    for (const char* name : {"Feder \u03B1.kr2", "\u5F39\u7C27.kr2"}) {
        SCOPED_TRACE(name);
        test::TempDir tmp;
        fs::copy_file(kDemo, tmp.path() / name);
        const std::set<std::string> before = Entries(tmp.path());
        int status = -1;
        const std::string out =
            test::RunProgramIn(tmp.path().string(), ShellQuoted(name) + " /I", &status);
        ASSERT_TRUE(WIFEXITED(status)) << out;
        EXPECT_EQ(WEXITSTATUS(status), 1) << out;
        EXPECT_NE(out.find("enthält Zeichen, die das Programm nicht darstellen kann"),
                  std::string::npos)
            << out;
        EXPECT_NE(out.find(std::string("\"") + name + "\""), std::string::npos) << out;  // as typed
        std::set<std::string> after = Entries(tmp.path());
        after.erase("cfg");
        EXPECT_EQ(after, before);
    }
}

}  // namespace
}  // namespace kor2
