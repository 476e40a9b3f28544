// Entry point of the form tests: one QApplication for the whole executable
// (offscreen platform), Qt's complaints about foreign cell editors made
// test failures, then all GoogleTest cases.
#include <gtest/gtest.h>

#include <QApplication>

#include "support/configdir.h"

namespace {

QtMessageHandler g_qtDefault = nullptr;

// An item view's complaint about an editor that is not its own means that
// a cell was committed or closed the wrong way: the test running fails.
void FailOnForeignEditor(QtMsgType type, const QMessageLogContext& context, const QString& msg) {
    if (msg.contains("editor that does not belong to this view"))
        ADD_FAILURE() << "Qt: " << msg.toStdString();
    if (g_qtDefault != nullptr) g_qtDefault(type, context, msg);
}

}  // namespace

int main(int argc, char** argv) {
    kor2::test::UsePrivateConfigFolder();
    g_qtDefault = qInstallMessageHandler(FailOnForeignEditor);
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
