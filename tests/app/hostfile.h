// The whole content of a host file as bytes, for the shell tests that
// compare written files ("" when the file cannot be read).
#pragma once

#include <fstream>
#include <sstream>
#include <string>

namespace kor2::test {

inline std::string ReadHostFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace kor2::test
