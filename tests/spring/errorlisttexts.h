// Test helpers for the spring tests: a fixture that starts from the program
// defaults with an empty error list, the texts held in the error list, and
// the form in which a message is stored there (its first 36 characters).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "common/globals.h"

namespace kor2::test {

class ErrorListFixture : public ::testing::Test {
   protected:
    void SetUp() override { InitProgramVariables(); }
    void TearDown() override {
        AbortFlag = false;
        ClearErrorList();
    }
};

inline std::vector<std::string> ErrorListTexts() {
    std::vector<std::string> out;
    for (int k = 1; k <= ErrorList.count; ++k) out.push_back(ErrorList.slots[k].str());
    return out;
}

inline std::string StoredText(std::string_view message) {
    return std::string(message.substr(0, kErrorTextLen));
}

}  // namespace kor2::test
