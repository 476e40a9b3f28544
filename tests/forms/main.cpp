// Entry point of the form tests: one QApplication for the whole executable
// (offscreen platform), then all GoogleTest cases.
#include <gtest/gtest.h>

#include <QApplication>

#include "support/configdir.h"

int main(int argc, char** argv) {
    kor2::test::UsePrivateConfigFolder();
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
