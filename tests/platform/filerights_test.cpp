// Files written where another account (nobody, tests/support/asnobody.h)
// may plant entries: links are followed only by the link rule, side names
// and probes cannot be blocked, and a new file takes rights only from a file
// of the writer's own, never set-ID bits; a replaced table file keeps its
// owner or the change is refused.
#include "platform/filerights.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/hostfs.h"
#include "support/asnobody.h"
#include "support/tempdir.h"

namespace kor2::platform {
namespace {

namespace fs = std::filesystem;

void WriteText(const fs::path& p, const std::string& text) {
    std::ofstream(p, std::ios::binary) << text;
}

std::string ReadText(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct stat LStat(const fs::path& p) {
    struct stat st {};
    lstat(p.c_str(), &st);
    return st;
}

// Sets the umask for one test.
struct Umask {
    explicit Umask(mode_t mask) : saved(umask(mask)) {}
    ~Umask() { umask(saved); }
    mode_t saved;
};

class FileRights : public ::testing::Test {
protected:
    void SetUp() override {
        if (geteuid() != 0) GTEST_SKIP() << "planting as another account needs root";
        nobody_ = getpwnam("nobody");
        ASSERT_NE(nobody_, nullptr);
        fs::permissions(tmp_.path(), fs::perms::owner_all | fs::perms::others_exec);
        for (const char* dir : {"shared", "theirs", "mine", "private"})
            fs::create_directory(Dir(dir));
        fs::permissions(Dir("shared"), fs::perms::all | fs::perms::sticky_bit);
        fs::permissions(Dir("private"), fs::perms::owner_all);
        ASSERT_EQ(chown(Dir("theirs").c_str(), nobody_->pw_uid, nobody_->pw_gid), 0);
        WriteText(Dir("private") / "secret", "secret");
        fs::permissions(Dir("private") / "secret", fs::perms::owner_read | fs::perms::owner_write);
    }
    fs::path Dir(const std::string& name) const { return tmp_.path() / name; }
    // A file of the given owner and mode (set after the owner: a change of
    // owner clears set-ID bits).
    void Put(const fs::path& p, uid_t uid, mode_t mode) {
        WriteText(p, "old");
        ASSERT_EQ(chown(p.c_str(), uid, uid == 0 ? 0 : nobody_->pw_gid), 0);
        ASSERT_EQ(chmod(p.c_str(), mode), 0);
    }
    test::TempDir tmp_;
    const passwd* nobody_ = nullptr;
};

// Entries another account or the writer put at a name, and what writing the
// name does: a link of another account in a folder not its own is refused
// and stays; a link of the writer or of the folder's owner is followed and
// the file it leads to replaced beside it, the link staying; a planted file
// is replaced by a file of the writer's own with the default mode; rights
// come only from a file of the writer's own, set-ID bits never. The new-file
// probe of the report writer finds every such entry taken and leaves it.
TEST_F(FileRights, PlantedEntriesAtANameThatIsWritten) {
    enum class Kind { Link, File };
    struct Case {
        const char* what;
        Kind kind;
        bool byNobody;
        const char* folder;  // where the entry is
        const char* target;  // a link's target, under the test folder
        mode_t planted;      // a planted file's mode
        int error;           // of the write; 0: written
        mode_t mode;         // of the written file
    };
    const std::vector<Case> cases = {
        {"nobody's link to root's secret", Kind::Link, true, "shared", "private/secret", 0, EACCES,
         0},
        {"nobody's dangling link", Kind::Link, true, "shared", "private/made", 0, EACCES, 0},
        {"link of the folder's owner", Kind::Link, true, "theirs", "mine/own1", 0, 0, 0640},
        {"own link to an own file", Kind::Link, false, "shared", "mine/own2", 0, 0, 0750},
        {"own link to nobody's file", Kind::Link, false, "shared", "mine/nobodys", 0, 0, 0644},
        {"own dangling link", Kind::Link, false, "shared", "mine/none", 0, ENOENT, 0},
        {"nobody's file 6777", Kind::File, true, "shared", "", 06777, 0, 0644},
        {"nobody's file 0666", Kind::File, true, "shared", "", 0666, 0, 0644},
        {"own file 2740", Kind::File, false, "shared", "", 02740, 0, 0740},
    };
    const Umask mask(022);
    Put(Dir("mine") / "own1", 0, 0640);
    Put(Dir("mine") / "own2", 0, 04750);
    Put(Dir("mine") / "nobodys", nobody_->pw_uid, 0666);
    auto name = [&](std::size_t i) {
        return Dir(cases[i].folder) / ("f" + std::to_string(i) + ".txt");
    };
    test::RunAsNobody({}, [&] {
        for (std::size_t i = 0; i < cases.size(); ++i) {
            if (!cases[i].byNobody) continue;
            if (cases[i].kind == Kind::Link) {
                fs::create_symlink(tmp_.path() / cases[i].target, name(i));
            } else {
                WriteText(name(i), "old");
                ASSERT_EQ(chmod(name(i).c_str(), cases[i].planted), 0);
            }
        }
    });
    for (std::size_t i = 0; i < cases.size(); ++i) {
        if (cases[i].byNobody) continue;
        if (cases[i].kind == Kind::Link)
            fs::create_symlink(tmp_.path() / cases[i].target, name(i));
        else
            Put(name(i), 0, cases[i].planted);
    }
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.what);
        const fs::path at = name(i), target = tmp_.path() / (*c.target ? c.target : "");
        const struct stat before = LStat(at);
        EXPECT_EQ(ProbeNewFile(at.string()), EEXIST);
        EXPECT_EQ(LStat(at).st_ino, before.st_ino);
        std::string failure;
        errno = 0;
        EXPECT_EQ(WriteFileReplacing(at.string(), "new", &failure), c.error == 0);
        const fs::path written = c.kind == Kind::Link ? target : at;
        if (c.error != 0) {
            EXPECT_EQ(errno, c.error);
            EXPECT_TRUE(fs::is_symlink(fs::symlink_status(at)));
            if (c.error == EACCES) {
                EXPECT_NE(failure.find(at.filename().string()), std::string::npos) << failure;
            }
            EXPECT_EQ(ReadText(Dir("private") / "secret"), "secret");
            EXPECT_FALSE(fs::exists(Dir("private") / "made"));
            EXPECT_FALSE(fs::exists(Dir("mine") / "none"));
            continue;
        }
        EXPECT_EQ(fs::is_symlink(fs::symlink_status(at)), c.kind == Kind::Link);
        EXPECT_EQ(ReadText(written), "new");
        const struct stat st = LStat(written);
        EXPECT_EQ(st.st_mode & 07777, c.mode);
        EXPECT_EQ(st.st_uid, 0u);
    }
    EXPECT_EQ(ReadText(Dir("private") / "secret"), "secret");
    // Only the written files beside their targets: no side file left.
    for (const char* dir : {"shared", "theirs", "mine"})
        for (const auto& e : fs::directory_iterator(Dir(dir)))
            EXPECT_EQ(e.path().filename().string().find("kor2tmp"), std::string::npos) << e.path();
}

// Side names of another form's guessable names, planted by the hundred as
// links, pipes, folders and files, do not block a write; a side file that
// cannot be made is named with its cause.
TEST_F(FileRights, PlantedSideNamesDoNotBlockAWrite) {
    const fs::path shared = Dir("shared");
    const long pid = static_cast<long>(getpid());
    test::RunAsNobody({}, [&] {
        for (unsigned n = 0; n < 1000; ++n) {
            const fs::path p =
                shared / (".f.kr2.kor2tmp." + std::to_string(pid) + "." + std::to_string(n));
            switch (n % 4) {
                case 0:
                    fs::create_symlink(Dir("private") / "secret", p);
                    break;
                case 1:
                    ASSERT_EQ(mkfifo(p.c_str(), 0666), 0);
                    break;
                case 2:
                    fs::create_directory(p);
                    break;
                default:
                    WriteText(p, "planted");
            }
        }
    });
    for (int k = 0; k < 3; ++k) {
        std::string failure;
        ASSERT_TRUE(WriteFileReplacing((shared / "f.kr2").string(), "saved", &failure)) << failure;
    }
    EXPECT_EQ(ReadText(shared / "f.kr2"), "saved");
    EXPECT_EQ(ReadText(Dir("private") / "secret"), "secret");
    // A folder this account may not write: the side file is named with why.
    fs::permissions(Dir("mine"),
                    fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
    WriteText(Dir("mine") / "g.kr2", "old");
    fs::permissions(Dir("mine") / "g.kr2", fs::perms::all);
    test::RunAsNobody({}, [&] {
        std::string failure;
        EXPECT_FALSE(WriteFileReplacing((Dir("mine") / "g.kr2").string(), "new", &failure));
        EXPECT_NE(failure.find(".g.kr2.kor2tmp."), std::string::npos) << failure;
        EXPECT_NE(failure.find("Zugriff verweigert"), std::string::npos) << failure;
    });
    EXPECT_EQ(ReadText(Dir("mine") / "g.kr2"), "old");
}

// A table file of another account replaced by one that may not give files
// away (root without CAP_CHOWN, as under root squash): its owner would lose
// its rights, and keeping them is reported as failed, naming what is lost.
// A replaced file never keeps set-ID bits.
TEST_F(FileRights, ATableFileThatCannotKeepItsOwnerIsReportedAndNeverSetId) {
    const Umask mask(022);
    const fs::path table = Dir("shared") / "t.dbf";
    Put(table, nobody_->pw_uid, 06644);
    const auto fresh = [&] {
        File f = File::CreateNew((Dir("shared") / "KOR0001.TMP").string());
        EXPECT_TRUE(f.IsOpen());
        return f;
    };
    {
        File f = fresh();
        std::string lost;
        EXPECT_TRUE(f.TakeOwnerAndModeOf(table.string(), &lost)) << lost;
        const struct stat st = LStat(Dir("shared") / "KOR0001.TMP");
        EXPECT_EQ(st.st_mode & 07777, 0644u);
        EXPECT_EQ(st.st_uid, nobody_->pw_uid);
        f.EraseAt((Dir("shared") / "KOR0001.TMP").string());
    }
    EXPECT_EQ(test::RunForked(test::LoseChownRight,
                              [&] {
                                  EXPECT_FALSE(MayGiveFilesAway());
                                  EXPECT_NE(RightsLostByReplacing(table.string()), "");
                                  File f = fresh();
                                  std::string lost;
                                  EXPECT_FALSE(f.TakeOwnerAndModeOf(table.string(), &lost));
                                  EXPECT_NE(
                                      lost.find("Eigent\x81mer nobody verl\x94re Schreibrecht"),
                                      std::string::npos)
                                      << lost;
                                  f.EraseAt((Dir("shared") / "KOR0001.TMP").string());
                              }),
              0);
}

}  // namespace
}  // namespace kor2::platform
