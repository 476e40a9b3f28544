// Task-modal message boxes built on QMessageBox.
#include "platform/qt/msgboxqt.h"

#include <QApplication>
#include <QMessageBox>

namespace kor2::platform {

namespace {

QMessageBox::Icon ToQt(BoxIcon icon) {
    switch (icon) {
        case BoxIcon::Information:
            return QMessageBox::Information;
        case BoxIcon::Warning:
            return QMessageBox::Warning;
        case BoxIcon::Error:
            return QMessageBox::Critical;
        case BoxIcon::Question:
            return QMessageBox::Question;
        case BoxIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

void ShowMessageBox(const QString& caption, const QString& text, BoxIcon icon) {
    QMessageBox box(ToQt(icon), caption, text, QMessageBox::Ok, QApplication::activeWindow());
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

int AskYesNoCancelBox(const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::Question, caption, text,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                    QApplication::activeWindow());
    box.setWindowModality(Qt::ApplicationModal);
    box.setEscapeButton(QMessageBox::Cancel);
    const int r = box.exec();
    if (r == QMessageBox::Yes) return 0;
    if (r == QMessageBox::No) return 1;
    return 2;
}

bool AskRetryBox(const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::Warning, caption, text, QMessageBox::Retry | QMessageBox::Cancel,
                    QApplication::activeWindow());
    box.setWindowModality(Qt::ApplicationModal);
    box.setEscapeButton(QMessageBox::Cancel);
    return box.exec() == QMessageBox::Retry;
}

}  // namespace kor2::platform
