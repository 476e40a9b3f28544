// Small helpers of the file, dialog and message tests: read and write a
// whole host file as bytes.
#pragma once

#include <fstream>
#include <sstream>
#include <string>

namespace kor2::test {

inline std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

inline void Put(const std::string& path, const std::string& data) {
    std::ofstream(path, std::ios::binary) << data;
}

}  // namespace kor2::test
