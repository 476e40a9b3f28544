// Qt message box behind MessageBoxShort of the table engine.
#include "tables/forms/enginebox.h"

#include <QApplication>
#include <QMessageBox>

#include "platform/qt/qtstring.h"
#include "tables/base/engineerror.h"

namespace kor2 {

void InstallEngineQtMessageBox() {
    SetEngineMessageBox([](const std::string& text, const std::string& caption, unsigned flags) {
        QMessageBox box(QApplication::activeWindow());
        box.setWindowTitle(platform::OemToQString(caption));
        box.setText(platform::OemToQString(text));
        box.setIcon((flags & 0xF0) == MB_ICONSTOP       ? QMessageBox::Critical
                    : (flags & 0xF0) == MB_ICONQUESTION ? QMessageBox::Question
                                                        : QMessageBox::NoIcon);
        if ((flags & 0x0F) == MB_OKCANCEL) {
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            return box.exec() == QMessageBox::Ok ? static_cast<int>(IDOK)
                                                 : static_cast<int>(IDCANCEL);
        }
        box.setStandardButtons(QMessageBox::Ok);
        box.exec();
        return static_cast<int>(IDOK);
    });
}

}  // namespace kor2
