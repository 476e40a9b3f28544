// Three programs append and rewrite memos of one shared memo file at the same
// time: the memo lock waits for the others, no call fails and no text is lost.
#include <gtest/gtest.h>
#include <unistd.h>

#include <sstream>
#include <string>
#include <vector>

#include "platform/hostfs.h"
#include "tables/base/engineerror.h"
#include "tables/memo/memo_testutil.h"

namespace kor2 {
namespace {

using test::EnvText;

constexpr int kMemos = 500;
const char* const kTags[] = {"a", "b", "c"};

// Memo i of program `tag`: first a short text, then rewritten with a longer one.
std::string Text(const std::string& tag, int i, bool rewritten) {
    return tag + std::to_string(i) + std::string(rewritten ? 300 + i % 4 * 250 : 20, 'x');
}

std::string PadJoined() {
    std::string text;
    for (const std::string& line : MemoPadLines) text += line;
    return text;
}

class MemoSharedTest : public test::MemoTest {};

// One writer: its memos' block numbers go to out-<tag>, one a line.
TEST_F(MemoSharedTest, DISABLED_Writer) {
    TMemoFileRec& m = Memo(Open(EnvText("KOR2_TABLE"), false));
    const std::string tag = EnvText("KOR2_TAG"), dir = EnvText("KOR2_DIR");
    test::WriteFileBytes(dir + "/ready-" + tag, "1");
    const auto allReady = [&] {
        for (const char* t : kTags)
            if (!platform::FileExists(dir + "/ready-" + t)) return false;
        return true;
    };
    for (int i = 0; i < 30000 && !allReady(); ++i) usleep(1000);
    std::string out;
    int failed = 0;
    for (int i = 0; i < kMemos; ++i) {
        int32_t block = AddMemo(m, Text(tag, i, false));
        MemoPadLines = {Text(tag, i, true)};
        MemoPadLineEnds = {0};
        MemoPadExists = true;
        if (block == 0 || !EditMemo(m, block)) {
            ++failed;
            block = 0;
        }
        out += std::to_string(block) + "\n";
    }
    test::WriteFileBytes(dir + "/out-" + tag, out);
    EXPECT_EQ(failed, 0) << EngineErrorMsg;
}

TEST_F(MemoSharedTest, ThreeProgramsWriteMemosWithoutAFailure) {
    const struct {
        uint8_t version;
        const char* name;
    } formats[] = {{0x83, "d3.dbf"}, {0x8B, "d4.dbf"}, {0xF5, "fp.dbf"}};
    for (const auto& f : formats) {
        SCOPED_TRACE(f.name);
        const std::string table = MakeMemoTable(f.name, f.version);
        const std::string dir = Path(std::string(f.name) + ".run");
        ASSERT_TRUE(platform::CreateDir(dir));
        std::vector<pid_t> writers;
        for (const char* tag : kTags)
            writers.push_back(test::SpawnSelf(
                "MemoSharedTest.DISABLED_Writer",
                {"KOR2_TABLE=" + table, "KOR2_TAG=" + std::string(tag), "KOR2_DIR=" + dir}));
        for (pid_t p : writers) EXPECT_EQ(test::WaitChild(p), 0);

        DbfArea& a = Open(table);
        for (const char* tag : kTags) {
            std::istringstream blocks(test::ReadFileBytes(dir + "/out-" + tag));
            int32_t block = 0;
            for (int i = 0; i < kMemos && blocks >> block; ++i) {
                if (block == 0) continue;
                ASSERT_TRUE(GetMemo(Memo(a), block));
                EXPECT_EQ(PadJoined(), Text(tag, i, true)) << tag << i;
            }
        }
        Close(a);
    }
}

}  // namespace
}  // namespace kor2
