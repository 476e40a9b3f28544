// Entry point of the core test executables.
#include <gtest/gtest.h>

#include "support/configdir.h"

int main(int argc, char** argv) {
    kor2::test::UsePrivateConfigFolder();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
