#include "platform/sysclock.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "support/tempdir.h"

namespace kor2::platform {
namespace {

TEST(SysClock, NowIsLocalTime) {
    const std::time_t t = std::time(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    const DateTime now = Now();
    EXPECT_EQ(now.year, local.tm_year + 1900);
    EXPECT_EQ(now.month, local.tm_mon + 1);
    EXPECT_EQ(now.day, local.tm_mday);
    EXPECT_EQ(now.dayOfWeek, local.tm_wday);
    EXPECT_GE(now.millisecond, 0);
    EXPECT_LT(now.millisecond, 1000);
    const int secNow = now.hour * 3600 + now.minute * 60 + now.second;
    const int secT = local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec;
    EXPECT_LE(std::abs(secNow - secT) % (24 * 3600), 2);
}

TEST(SysClock, Override) {
    DateTime when;
    when.year = 2024;
    when.month = 2;
    when.day = 29;
    when.hour = 13;
    when.minute = 5;
    when.second = 7;
    SetClockOverride(when);
    DateTime now = Now();
    EXPECT_EQ(now.year, 2024);
    EXPECT_EQ(now.month, 2);
    EXPECT_EQ(now.day, 29);
    EXPECT_EQ(now.hour, 13);
    EXPECT_EQ(now.dayOfWeek, 4);  // a Thursday
    when.year = 1995;
    when.month = 1;
    when.day = 1;
    SetClockOverride(when);
    EXPECT_EQ(Now().dayOfWeek, 0);  // a Sunday
    SetClockOverride(std::nullopt);
    EXPECT_GE(Now().year, 2024);
}

TEST(SysClock, TickCountAdvances) {
    const uint32_t a = GetTickCount();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const uint32_t b = GetTickCount();
    const uint32_t diff = b - a;  // wraps like GetTickCount
    EXPECT_GE(diff, 45u);
    EXPECT_LT(diff, 5000u);
}

TEST(SysClock, Environment) {
    EXPECT_TRUE(SetEnv("KOR2_TEST_VAR", "Wert 1"));
    EXPECT_EQ(GetEnv("KOR2_TEST_VAR"), "Wert 1");
    EXPECT_TRUE(SetEnv("KOR2_TEST_VAR", ""));
    EXPECT_EQ(GetEnv("KOR2_TEST_VAR"), "");
    EXPECT_FALSE(GetEnv("KOR2_TEST_VAR_MISSING").has_value());
    EXPECT_FALSE(SetEnv("", "x"));
    EXPECT_FALSE(SetEnv("A=B", "x"));
    unsetenv("KOR2_TEST_VAR");
}

TEST(SysClock, RunProgramWaitsAndReportsExitCode) {
    EXPECT_EQ(RunProgram("sh", {"-c", "exit 3"}), 3);
    EXPECT_EQ(RunProgram("true", {}), 0);
    EXPECT_EQ(RunProgram("/bin/sh", {"-c", "exit 0"}), 0);
    EXPECT_EQ(RunProgram("\\bin\\sh", {"-c", "exit 5"}), 5);  // program form
    // No shell: the argument reaches the program as one word.
    test::TempDir tmp;
    const std::string out = tmp.file("out.txt");
    EXPECT_EQ(RunProgram("sh", {"-c", "printf '%s' \"$0\" > \"$1\"", "a b;c", out}), 0);
    std::ifstream in(out);
    std::string text((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(text, "a b;c");
}

// Command words: blanks and tabs separate, double quotes group blanks (a
// path with blanks) and are dropped, an empty quoted word stays a word.
TEST(SysClock, CommandWordsKeepQuotedBlanks) {
    using V = std::vector<std::string>;
    EXPECT_EQ(SplitCommandWords("  lpr\t-P  x  "), (V{"lpr", "-P", "x"}));
    EXPECT_EQ(SplitCommandWords("\"/tmp/with space/plot\" /M1.0 \"a b\"c"),
              (V{"/tmp/with space/plot", "/M1.0", "a bc"}));
    EXPECT_EQ(SplitCommandWords("x \"\" \"open to the end"), (V{"x", "", "open to the end"}));
    EXPECT_EQ(SplitCommandWords("   "), V{});
}

TEST(SysClock, RunProgramMissing) {
    EXPECT_EQ(RunProgram("kor2-no-such-program", {}), -1);
    EXPECT_EQ(RunProgram("/nonexistent/prog", {}), -1);
}

TEST(SysClock, StartProgramDoesNotWaitAndLeavesNoZombie) {
    test::TempDir tmp;
    const std::string pidFile = tmp.file("pid");
    const std::string done = tmp.file("done");
    const std::string go = tmp.file("go");
    // The program finishes once the test lets it (or after 20 s): had
    // StartProgram waited for it, "done" would exist when it returns.
    ASSERT_TRUE(StartProgram(
        "sh", {"-c",
               "echo $$ > \"$0.tmp\"; mv \"$0.tmp\" \"$0\"; "
               "i=0; while [ ! -e \"$2\" ] && [ $i -lt 2000 ]; do sleep 0.01; i=$((i+1)); done; "
               ": > \"$1\"",
               pidFile, done, go}));
    EXPECT_FALSE(std::filesystem::exists(done));
    std::ofstream{go}.put('x');
    // Wait for the program to finish.
    for (int i = 0; i < 2000 && !std::filesystem::exists(done); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(std::filesystem::exists(done));
    std::ifstream in(pidFile);
    int pid = 0;
    in >> pid;
    ASSERT_GT(pid, 0);
    // Once reaped, the process entry disappears; a zombie would stay.
    const std::string proc = "/proc/" + std::to_string(pid);
    for (int i = 0; i < 2000 && std::filesystem::exists(proc); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_FALSE(std::filesystem::exists(proc)) << "process " << pid << " left as a zombie";
}

TEST(SysClock, StartProgramMissing) {
    EXPECT_FALSE(StartProgram("kor2-no-such-program", {}));
}

}  // namespace
}  // namespace kor2::platform
