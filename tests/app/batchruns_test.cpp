// The command-line report run as real processes: many runs at once sharing
// one temporary folder, and reports that cannot be written where the run
// was asked to write them.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/hostfile.h"
#include "support/childprocess.h"
#include "support/tempdir.h"

namespace kor2 {
namespace {

namespace fs = std::filesystem;
using test::ReadHostFile;

const std::string kDemoFolder = std::string(KOR2_SOURCE_DIR) + "/data/TRAIN/";

// The environment of a run without a display whose temporary files go to temp.
test::ChildSpec BatchRun(const fs::path& folder, const std::string& spring, const fs::path& temp,
                         const fs::path& config) {
    test::ChildSpec spec;
    spec.argv = {KOR2_PROGRAM, spring, "/I"};
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

TEST(BatchRuns, TwelveRunsAtOnceEachReportTheirOwnSpringAndLeaveTheTempFolderEmpty) {
    test::TempDir tmp;
    const fs::path temp = tmp.path() / "temp", config = tmp.path() / "config";
    fs::create_directories(temp);
    fs::create_directories(config);
    constexpr int kRuns = 12;
    std::vector<pid_t> pids;
    for (int n = 1; n <= kRuns; ++n) {
        const fs::path folder = tmp.path() / ("run" + std::to_string(n));
        fs::create_directories(folder);
        const std::string demo = n <= kRuns / 2 ? "muster1.kr2" : "muster2.kr2";
        fs::copy_file(kDemoFolder + demo, folder / ("s" + std::to_string(n) + ".kr2"));
    }
    for (int n = 1; n <= kRuns; ++n) {
        const fs::path folder = tmp.path() / ("run" + std::to_string(n));
        pids.push_back(test::StartChild(
            BatchRun(folder, "s" + std::to_string(n) + ".kr2", temp, config)));
        ASSERT_GT(pids.back(), 0);
    }
    for (int n = 1; n <= kRuns; ++n) {
        const fs::path folder = tmp.path() / ("run" + std::to_string(n));
        EXPECT_EQ(test::WaitChild(pids[n - 1]), 0) << "run " << n << ": "
                                                   << ReadHostFile(folder / "stderr.txt");
    }
    for (int n = 1; n <= kRuns; ++n) {
        SCOPED_TRACE("run " + std::to_string(n));
        const fs::path folder = tmp.path() / ("run" + std::to_string(n));
        const std::string report = ReadHostFile(folder / ("s" + std::to_string(n) + ".txt"));
        ASSERT_FALSE(report.empty());
        const bool first = n <= kRuns / 2;
        EXPECT_NE(report.find(first ? "DEMO-001" : "DEMO-002"), std::string::npos) << report;
        EXPECT_EQ(report.find(first ? "DEMO-002" : "DEMO-001"), std::string::npos) << report;
        EXPECT_EQ(report.find("FEDWST DBF error"), std::string::npos) << report;
        EXPECT_EQ(report.find("Rm = 0"), std::string::npos) << report;
        EXPECT_NE(report.find("BEMERKUNGEN"), std::string::npos) << report;  // not cut short
    }
    EXPECT_EQ(Entries(temp), std::vector<std::string>{});
}

}  // namespace
}  // namespace kor2
