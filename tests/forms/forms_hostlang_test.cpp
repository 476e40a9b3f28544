// Tests that the host's standard dialogs speak German once Qt's own
// translations are loaded, as main() loads them at start.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPushButton>
#include <QTranslator>
#include <memory>

#include "platform/qt/hostlang.h"

namespace kor2 {
namespace {

TEST(HostTranslations, StandardButtonsAreGerman) {
    QTranslator* translator = platform::InstallHostTranslations(*qApp);
    if (translator == nullptr)
        GTEST_SKIP() << "qtbase_de.qm is not installed (Debian package qt6-translations-l10n)";
    {
        QMessageBox box(QMessageBox::Question, "Frage", "Neuen Werkstoff eintragen ?",
                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        EXPECT_EQ(box.button(QMessageBox::Yes)->text().remove('&'), "Ja");
        EXPECT_EQ(box.button(QMessageBox::No)->text().remove('&'), "Nein");
        EXPECT_EQ(box.button(QMessageBox::Cancel)->text().remove('&'), "Abbrechen");
        QDialogButtonBox buttons(QDialogButtonBox::Open | QDialogButtonBox::Save);
        EXPECT_EQ(buttons.button(QDialogButtonBox::Open)->text().remove('&'), QString("Öffnen"));
        EXPECT_EQ(buttons.button(QDialogButtonBox::Save)->text().remove('&'), "Speichern");
    }
    // The other form tests see the untranslated host texts again.
    QCoreApplication::removeTranslator(translator);
    const std::unique_ptr<QTranslator> owned(translator);
}

}  // namespace
}  // namespace kor2
