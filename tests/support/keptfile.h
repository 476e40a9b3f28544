// A file the program told the user about ("... steht in <file>") while the
// file lay among the run's temporary files: the tests check that the place
// named outlives the run and is the user's alone.
#pragma once

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace kor2::test {

// The file a message names after its last "steht in " (the rest of the
// message); empty when it names none.
inline std::string PlaceNamed(const std::string& message) {
    const std::string lead = "steht in ";
    const std::size_t at = message.rfind(lead);
    return at == std::string::npos ? std::string() : message.substr(at + lead.size());
}

// Checks that file (a host path) exists outside runFolder (the run's own
// folder, a host path), holds text and may be read or written by its owner
// only.
inline void ExpectKeptForTheUser(const std::string& file, const std::string& runFolder,
                                 const std::string& text) {
    namespace fs = std::filesystem;
    ASSERT_FALSE(file.empty());
    const fs::path folder = fs::weakly_canonical(runFolder);
    EXPECT_NE(fs::weakly_canonical(fs::path(file).parent_path()), folder) << file;
    struct stat st {};
    ASSERT_EQ(lstat(file.c_str(), &st), 0) << file;
    EXPECT_TRUE(S_ISREG(st.st_mode)) << file;
    EXPECT_EQ(st.st_mode & 07777, 0600u) << file;
    std::ifstream in(file, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    EXPECT_EQ(ss.str(), text) << file;
}

}  // namespace kor2::test
