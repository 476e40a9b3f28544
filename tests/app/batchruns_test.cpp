// The command-line report run as real processes: many runs at once sharing
// one temporary folder, and reports that cannot be written where the run
// was asked to write them.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/hostfile.h"
#include "app/startup.h"
#include "common/fileops.h"
#include "common/globals.h"
#include "platform/hostfs.h"
#include "support/asnobody.h"
#include "support/childprocess.h"
#include "support/fulldisk.h"
#include "support/runtempfile.h"
#include "support/tempdir.h"
#include "support/unreadablefile.h"
#include "tables/base/engineerror.h"

namespace kor2 {
namespace {

namespace fs = std::filesystem;
using test::ReadHostFile;

const std::string kDemoFolder = std::string(KOR2_SOURCE_DIR) + "/data/TRAIN/";

// The environment of a run without a display whose temporary files go to temp.
test::ChildSpec BatchRun(const fs::path& folder, const std::string& spring, const fs::path& temp,
                         const fs::path& config, const std::string& program = KOR2_PROGRAM) {
    test::ChildSpec spec;
    spec.argv = {program, spring, "/I"};
    spec.folder = folder.string();
    spec.env = {{"TMPDIR", temp.string()},        {"TEMP", std::nullopt},
                {"DISPLAY", std::nullopt},        {"WAYLAND_DISPLAY", std::nullopt},
                {"QT_QPA_PLATFORM", std::nullopt}, {"XDG_CONFIG_HOME", config.string()}};
    spec.outFile = (folder / "stdout.txt").string();
    spec.errFile = (folder / "stderr.txt").string();
    return spec;
}

std::vector<std::string> Entries(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename());
    return names;
}

// The report without its first two lines (date and time, the run's own
// temporary file name).
std::string ReportBody(const fs::path& file) {
    const std::string text = ReadHostFile(file);
    std::size_t at = 0;
    for (int line = 0; line < 2 && at != std::string::npos; ++line) {
        at = text.find('\n', at);
        if (at != std::string::npos) ++at;
    }
    return at == std::string::npos ? std::string() : text.substr(at);
}

// Line 2 of a report file: the file the report names.
std::string SecondLine(const fs::path& file) {
    const std::string text = ReadHostFile(file);
    const std::size_t from = text.find('\n') + 1;
    return text.substr(from, text.find_first_of("\r\n", from) - from);
}

class BatchRuns : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(temp);
        fs::create_directories(config);
    }
    // A folder of its own holding the demo spring under the given name.
    fs::path RunFolder(const std::string& folder, const std::string& demo,
                       const std::string& name) const {
        const fs::path f = tmp.path() / folder;
        fs::create_directories(f);
        fs::copy_file(kDemoFolder + demo, f / name);
        return f;
    }
    int RunAlone(const fs::path& folder, const std::string& spring) const {
        return test::WaitChild(test::StartChild(BatchRun(folder, spring, temp, config)));
    }
    test::TempDir tmp;
    const fs::path temp = tmp.path() / "temp", config = tmp.path() / "config";
};

TEST_F(BatchRuns, TwelveRunsAtOnceEachReportTheirOwnSpringAndLeaveTheTempFolderEmpty) {
    // What each demo spring's report says when its run is alone.
    std::string alone[2];
    for (int k = 0; k < 2; ++k) {
        const std::string demo = k == 0 ? "muster1.kr2" : "muster2.kr2";
        const fs::path folder = RunFolder("alone" + std::to_string(k), demo, "s.kr2");
        ASSERT_EQ(RunAlone(folder, "s.kr2"), 0);
        alone[k] = ReportBody(folder / "s.txt");
        ASSERT_NE(alone[k].find(k == 0 ? "DEMO-001" : "DEMO-002"), std::string::npos);
        ASSERT_EQ(alone[k].find("FEDWST DBF error"), std::string::npos) << alone[k];
        ASSERT_EQ(alone[k].find("Rm = 0"), std::string::npos) << alone[k];
    }

    constexpr int kRuns = 12;
    std::vector<fs::path> folders;
    for (int n = 1; n <= kRuns; ++n)
        folders.push_back(RunFolder("run" + std::to_string(n),
                                    n <= kRuns / 2 ? "muster1.kr2" : "muster2.kr2",
                                    "s" + std::to_string(n) + ".kr2"));
    std::vector<pid_t> pids;
    for (int n = 1; n <= kRuns; ++n) {
        pids.push_back(test::StartChild(
            BatchRun(folders[n - 1], "s" + std::to_string(n) + ".kr2", temp, config)));
        ASSERT_GT(pids.back(), 0);
    }
    for (int n = 1; n <= kRuns; ++n)
        EXPECT_EQ(test::WaitChild(pids[n - 1]), 0)
            << "run " << n << ": " << ReadHostFile(folders[n - 1] / "stderr.txt");
    for (int n = 1; n <= kRuns; ++n) {
        SCOPED_TRACE("run " + std::to_string(n));
        const std::string report = ReportBody(folders[n - 1] / ("s" + std::to_string(n) + ".txt"));
        EXPECT_EQ(report, alone[n <= kRuns / 2 ? 0 : 1]);
    }
    EXPECT_EQ(Entries(temp), std::vector<std::string>{});
}

// The one file left in temp after a run that could not write its report:
// the report kept under the spring's name; empty when there is none or more.
fs::path KeptReport(const fs::path& temp, const std::string& stem) {
    const std::vector<std::string> left = Entries(temp);
    if (left.size() != 1 || left[0].rfind(stem + "-", 0) != 0 ||
        left[0].size() < 4 || left[0].substr(left[0].size() - 4) != ".txt")
        return {};
    return temp / left[0];
}

// A folder where the report should go: the run says so, names the file,
// ends with 1 and keeps the report it wrote, readable by the user only.
// The kept report is named after the spring, dots and all.
TEST_F(BatchRuns, AReportThatCannotBeWrittenEndsWithOneNamingTheFileAndIsKept) {
    for (const std::string name : {"s", "d1.6"}) {
        SCOPED_TRACE(name);
        const fs::path folder = RunFolder("run-" + name, "muster1.kr2", name + ".kr2");
        fs::create_directory(folder / (name + ".txt"));
        EXPECT_EQ(RunAlone(folder, name + ".kr2"), 1);
        const std::string said = ReadHostFile(folder / "stderr.txt");
        EXPECT_NE(said.find("Datei " + name + ".txt kann nicht geschrieben werden"),
                  std::string::npos)
            << said;
        const fs::path kept = KeptReport(temp, name);
        ASSERT_FALSE(kept.empty()) << said;
        EXPECT_NE(said.find(kept.string()), std::string::npos) << said;
        EXPECT_NE(ReadHostFile(kept).find("DEMO-001"), std::string::npos);
        // In a temporary folder others share, the kept report is the user's alone.
        EXPECT_EQ(fs::status(kept).permissions(), fs::perms::owner_read | fs::perms::owner_write);
        EXPECT_TRUE(fs::is_directory(folder / (name + ".txt")));
        fs::remove(kept);
    }
}

// A temporary folder that cannot hold the run's own folder: the run ends
// with 1 and names the folder, without using fixed names in it.
TEST_F(BatchRuns, ATemporaryFolderWithoutRoomForTheRunsOwnEndsItWithOne) {
    const fs::path folder = RunFolder("run", "muster1.kr2", "s.kr2");
    const fs::path notAFolder = tmp.path() / "plain";
    std::ofstream(notAFolder) << "x";
    test::ChildSpec spec = BatchRun(folder, "s.kr2", notAFolder, config);
    EXPECT_EQ(test::WaitChild(test::StartChild(spec)), 1);
    const std::string said = ReadHostFile(folder / "stderr.txt");
    EXPECT_NE(said.find("Kein eigener Ordner für temporäre Dateien in " + notAFolder.string() +
                        " möglich, Programm beendet."),
              std::string::npos)
        << said;
    // Nobody answers a run without windows: it asks for no other folder.
    EXPECT_EQ(said.find("\nOrdner für temporäre Dateien\n"), std::string::npos) << said;
    EXPECT_FALSE(fs::exists(folder / "s.txt"));
}

// A temporary folder all accounts share, in which another account took
// every name of the old probe form: the folder is not called invalid, and
// the run writes its report and ends with 0, as it says.
TEST_F(BatchRuns, ProbeNamesPlantedInTheTemporaryFolderDoNotMakeItInvalid) {
    const fs::path folder = RunFolder("run", "muster1.kr2", "s.kr2");
    const fs::path shared = tmp.path() / "sharedtemp";
    fs::create_directory(shared);
    fs::permissions(shared, fs::perms::all | fs::perms::sticky_bit);
    fs::permissions(tmp.path(), fs::perms::others_exec, fs::perm_options::add);
    test::RunAsNobody({}, [&] {
        char name[16];
        for (unsigned k = 1; k <= 0xFFFF; ++k) {
            std::snprintf(name, sizeof name, "x$$%04X.TMP", k);
            std::ofstream(shared / name).put('x');
        }
    });
    test::ChildSpec spec = BatchRun(folder, "s.kr2", shared, config);
    EXPECT_EQ(test::WaitChild(test::StartChild(spec)), 0);
    const std::string said = ReadHostFile(folder / "stderr.txt");
    EXPECT_EQ(said.find("ungültiger Ordner"), std::string::npos) << said;
    EXPECT_NE(ReadHostFile(folder / "s.txt").find("DEMO-001"), std::string::npos) << said;
}

// Another account that may write the spring's folder plants links where the
// report goes: the run refuses to write through them, says so naming the
// name and where the report is kept instead, ends with 1, and never creates
// or changes a file where a link points.
TEST_F(BatchRuns, AReportNameLinkedElsewhereByAnotherAccountIsNeverWrittenThrough) {
    const fs::path folder = RunFolder("shared", "muster1.kr2", "f.kr2");
    fs::copy_file(kDemoFolder + "muster1.kr2", folder / "g.kr2");
    const fs::path victim = tmp.path() / "victim";
    fs::create_directories(victim);
    std::ofstream(victim / "own") << "mine";
    fs::permissions(tmp.path(), fs::perms::others_exec, fs::perm_options::add);
    fs::permissions(folder, fs::perms::all);
    test::RunAsNobody({}, [&] {
        fs::create_symlink(victim / "nologin", folder / "f.txt");
        fs::create_symlink(victim / "own", folder / "g.txt");
    });
    for (const std::string name : {"f", "g"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(fs::is_symlink(folder / (name + ".txt")));
        EXPECT_EQ(RunAlone(folder, name + ".kr2"), geteuid() == 0 ? 1 : 0)
            << ReadHostFile(folder / "stderr.txt");
        if (geteuid() != 0) continue;  // the links are this account's own then
        EXPECT_TRUE(fs::is_symlink(folder / (name + ".txt")));
        const std::string said = ReadHostFile(folder / "stderr.txt");
        EXPECT_NE(said.find(name +
                            ".txt kann nicht geschrieben werden (Verknüpfung eines anderen "
                            "Kontos wird nicht verfolgt: " +
                            name + ".txt), der Bericht steht in"),
                  std::string::npos)
            << said;
    }
    EXPECT_FALSE(fs::exists(victim / "nologin"));
    if (geteuid() == 0) {
        EXPECT_EQ(ReadHostFile(victim / "own"), "mine");
    }
}

// The report of a spring goes to the name of its own spelling: a file whose
// name differs only in case is someone else's and stays as it was.
TEST_F(BatchRuns, TheReportNeverReplacesAFileOfAnotherSpelling) {
    const fs::path folder = RunFolder("cases", "muster1.kr2", "a.kr2");
    std::ofstream(folder / "A.txt") << "notes";
    ASSERT_EQ(RunAlone(folder, "a.kr2"), 0) << ReadHostFile(folder / "stderr.txt");
    EXPECT_EQ(ReadHostFile(folder / "A.txt"), "notes");
    EXPECT_NE(ReadHostFile(folder / "a.txt").find("DEMO-001"), std::string::npos);
}

// A spring file that exists but fails when read: the report run and the
// console run name the file and the failure and end with 1.
TEST_F(BatchRuns, ASpringFileThatFailsWhenReadIsNamedAndEndsTheRunWithOne) {
    const fs::path folder = tmp.path() / "run";
    fs::create_directories(folder);
    if (!test::MakeUnreadableFile(folder / "f.kr2")) GTEST_SKIP() << "no file here fails when read";
    for (const bool report : {true, false}) {
        SCOPED_TRACE(report ? "/I" : "console");
        test::ChildSpec spec = BatchRun(folder, "f.kr2", temp, config);
        if (!report) spec.argv.pop_back();
        EXPECT_EQ(test::WaitChild(test::StartChild(spec)), 1);
        const std::string said = ReadHostFile(folder / "stderr.txt");
        EXPECT_NE(said.find("Datei f.kr2 kann nicht gelesen werden: Lesefehler !"),
                  std::string::npos)
            << said;
        EXPECT_FALSE(fs::exists(folder / "f.txt"));
    }
}

// A spring name that is a folder or a FIFO: the run says what it is, reads
// nothing (a FIFO would wait for a writer) and ends with 1.
TEST_F(BatchRuns, ASpringNameThatIsNoFileIsRefusedForWhatItIs) {
    const fs::path folder = tmp.path() / "run";
    fs::create_directories(folder / "d.kr2");
    ASSERT_EQ(mkfifo((folder / "p.kr2").c_str(), 0600), 0);
    for (const auto& [name, what] :
         {std::pair<std::string, std::string>{"d", "ein Ordner"}, {"p", "eine benannte Pipe"}}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(RunAlone(folder, name + ".kr2"), 1);
        const std::string said = ReadHostFile(folder / "stderr.txt");
        EXPECT_NE(said.find("Datei " + name + ".kr2 ist keine Federdatei, sondern " + what + " !"),
                  std::string::npos)
            << said;
        EXPECT_FALSE(fs::exists(folder / (name + ".txt")));
    }
}

// A temporary folder on a full disk: neither the material table's index nor
// the report can be written there. The run names each file it could not
// write, in that folder, and ends with 1.
TEST_F(BatchRuns, ATemporaryFolderOnAFullDiskNamesWhatCouldNotBeWrittenAndEndsWithOne) {
    test::FullFolder full(tmp.path() / "full");
    if (!full.Ok()) GTEST_SKIP() << "needs root to mount a small file system";
    const fs::path folder = RunFolder("run", "muster2.kr2", "s.kr2");
    EXPECT_EQ(test::WaitChild(test::StartChild(BatchRun(folder, "s.kr2", full.path(), config))), 1);
    const std::string said = ReadHostFile(folder / "stderr.txt");
    const std::string in = "Datei " + full.path().string() + "/kor2-";
    for (const std::string file : {"fedwst.NDX", ".txt"}) {
        const std::size_t at = said.find(file + " kann nicht geschrieben werden");
        ASSERT_NE(at, std::string::npos) << file << "\n" << said;
        EXPECT_NE(said.rfind(in, at), std::string::npos) << said;
    }
    EXPECT_FALSE(fs::exists(folder / "s.txt"));
}

// A temporary folder of over 100 characters, one with a blank, one whose
// name holds the table engine's option words, and the program installed in
// a folder named so: the run reads the material table from the program's
// folder, makes its index in its own folder of the temporary folder and
// checks the spring with its material.
TEST_F(BatchRuns, ATemporaryOrProgramFolderOfAnyNameHoldsTheMaterialIndex) {
    const fs::path folder = RunFolder("run", "muster2.kr2", "s.kr2");
    const fs::path installed = tmp.path() / "i EXCLUSIVE j";
    fs::create_directories(installed);
    fs::copy_file(KOR2_PROGRAM, installed / "kor2");
    fs::copy(fs::path(KOR2_PROGRAM).parent_path() / "data", installed / "data",
             fs::copy_options::recursive);
    std::vector<std::pair<fs::path, std::string>> runs;
    for (const std::string& name :
         {std::string(100, 'l'), std::string("with space"), std::string("Kunden unique Daten"),
          std::string("a linked list"), std::string(" ALIAS x "), std::string("VIRTUAL FILE")})
        runs.emplace_back(tmp.path() / name, KOR2_PROGRAM);
    runs.emplace_back(tmp.path() / "descending", (installed / "kor2").string());
    for (const auto& [where, program] : runs) {
        SCOPED_TRACE(where.string() + " " + program);
        fs::create_directories(where);
        EXPECT_EQ(
            test::WaitChild(test::StartChild(BatchRun(folder, "s.kr2", where, config, program))),
            0);
        const std::string said = ReadHostFile(folder / "stderr.txt");
        EXPECT_EQ(said, "");
        const std::string report = ReadHostFile(folder / "s.txt");
        EXPECT_EQ(report.find("Fatal"), std::string::npos) << report;
        EXPECT_EQ(report.find("Rm = 0"), std::string::npos) << report;
        EXPECT_EQ(Entries(where), std::vector<std::string>{});
        fs::remove(folder / "s.txt");
    }
}

// The same for a user who may not write in the spring's folder.
TEST_F(BatchRuns, AnotherAccountWithoutWriteRightInTheFolderGetsOneAndItsReportKept) {
    if (geteuid() != 0 || access("/usr/sbin/runuser", X_OK) != 0)
        GTEST_SKIP() << "needs root and runuser to run as another account";
    const fs::path folder = RunFolder("run", "muster2.kr2", "s.kr2");
    const auto open = fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                      fs::perms::others_read | fs::perms::others_exec;
    fs::permissions(tmp.path(), open);
    fs::permissions(folder, open);  // readable, not writable, for the other account
    fs::permissions(temp, fs::perms::all | fs::perms::sticky_bit);
    fs::permissions(config, fs::perms::all | fs::perms::sticky_bit);
    test::ChildSpec spec = BatchRun(folder, "s.kr2", temp, config);
    spec.argv.insert(spec.argv.begin(), {"/usr/sbin/runuser", "-u", "nobody", "--"});
    spec.outFile = (tmp.path() / "stdout.txt").string();
    spec.errFile = (tmp.path() / "stderr.txt").string();
    EXPECT_EQ(test::WaitChild(test::StartChild(spec)), 1);
    const std::string said = ReadHostFile(tmp.path() / "stderr.txt");
    EXPECT_NE(said.find("Datei s.txt kann nicht geschrieben werden"), std::string::npos) << said;
    EXPECT_FALSE(fs::exists(folder / "s.txt"));
    const fs::path kept = KeptReport(temp, "s");
    ASSERT_FALSE(kept.empty()) << said;
    EXPECT_NE(ReadHostFile(kept).find("DEMO-002"), std::string::npos);
}

// The table engine ends the program after an error it cannot go on from;
// the run's temporary folder goes with it.
TEST_F(BatchRuns, AFatalEngineErrorEndsTheRunWithoutLeavingItsTemporaryFolder) {
    const pid_t pid = fork();
    if (pid == 0) {
        try {
            InitAllUnits();
            TempFolder = temp.string();
            std::ofstream(test::RunTempFile("fedwst.NDX")) << "index";
            SetExceptionMode(false);
            SetErrorHandling(true);
            SetEngineError(5, "Zugriff verweigert");
        } catch (...) {
        }
        _exit(99);  // not reached: the engine has ended the process
    }
    ASSERT_GT(pid, 0);
    EXPECT_EQ(test::WaitChild(pid), 5);
    EXPECT_EQ(Entries(temp), std::vector<std::string>{});
}

// Line 2 of the report names the file the user gets, not the writer's
// temporary one; the copy kept when that file cannot be written as well.
TEST_F(BatchRuns, TheReportNamesTheFileTheUserGetsAlsoInTheKeptCopy) {
    const fs::path folder = RunFolder("named", "muster2.kr2", "d1.6.kr2");
    ASSERT_EQ(RunAlone(folder, "d1.6.kr2"), 0);
    EXPECT_EQ(SecondLine(folder / "d1.6.txt"), "d1.6.txt");
    fs::remove(folder / "d1.6.txt");
    fs::create_directory(folder / "d1.6.txt");
    EXPECT_EQ(RunAlone(folder, "d1.6.kr2"), 1);
    const fs::path kept = KeptReport(temp, "d1.6");
    ASSERT_FALSE(kept.empty());
    EXPECT_EQ(SecondLine(kept), "d1.6.txt");
}

// A spring given by its full name with blanks in its folder and its name:
// line 2 names the report as it is, blanks and all.
TEST_F(BatchRuns, TheReportNamesAFileWithBlanksAsItIs) {
    const fs::path folder = RunFolder("with space", "muster2.kr2", "muster 2.kr2");
    ASSERT_EQ(RunAlone(folder, (folder / "muster 2.kr2").string()), 0)
        << ReadHostFile(folder / "stderr.txt");
    EXPECT_EQ(SecondLine(folder / "muster 2.txt"), (folder / "muster 2.txt").string());
}

}  // namespace
}  // namespace kor2
