// Entry point of the screen test: one QApplication on the X server that
// run-screen-test.sh started (never the offscreen platform), then all cases.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdio>

#include "platform/qt/hostlang.h"
#include "support/configdir.h"

int main(int argc, char** argv) {
    kor2::test::UsePrivateConfigFolder();
    if (qgetenv("DISPLAY").isEmpty()) {
        std::puts("screen test: no X display; run it through run-screen-test.sh");
        return 77;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    kor2::platform::InstallHostTranslations(app);  // as the program does: German host dialogs
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
