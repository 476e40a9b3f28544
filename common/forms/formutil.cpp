// Text conversion, placement, scaling and help buttons shared by the forms
// of the standard dialogs and the message window.
#include "common/forms/formutil.h"

#include <QDialog>
#include <QPushButton>
#include <QWidget>
#include <algorithm>

#include "common/globals.h"
#include "common/helptext.h"
#include "common/textutil.h"
#include "graphics/graphwin.h"
#include "platform/qt/formbase.h"
#include "platform/qt/qtstring.h"

namespace kor2 {

namespace {

constexpr std::size_t kPiece = 200;  // below the 255-character limit of the conversions

}  // namespace

QString OemQ(std::string_view oem) {
    std::string ansi;
    for (std::size_t i = 0; i < oem.size(); i += kPiece) ansi += OemToAnsi(oem.substr(i, kPiece));
    return platform::AnsiToQString(ansi);
}

std::string QOem(const QString& text) {
    const std::string ansi = platform::QStringToAnsi(text);
    std::string oem, piece;
    for (std::size_t i = 0; i < ansi.size(); i += kPiece) {
        AnsiToOemStr(std::string_view(ansi).substr(i, kPiece), piece);
        oem += piece;
    }
    return oem;
}

namespace {

void ScaleForm(QWidget& form) {
    form.resize(form.width() * ScreenScalePercent / 100, form.height() * ScreenScalePercent / 100);
}

void ScaleControls(QWidget& form) {
    if (auto* f = qobject_cast<platform::TForm*>(&form)) f->ScaleBy(DialogScalePercent);
}

}  // namespace

void CenterDialogOnGraph(QWidget& form) {
    ScaleForm(form);
    const int left = GraphWindow.Left + std::max(0, (GraphWindow.Width - form.width()) / 2);
    const int top = GraphWindow.Top + std::max(0, (GraphWindow.Height - form.height()) / 2) + 20;
    form.move(left, top);
    ScaleControls(form);
}

void PlaceDialogAtSaved(QWidget& form) {
    ScaleForm(form);
    form.move(HelpPictureLeft, HelpPictureTop);
    ScaleControls(form);
}

void ScaleDialog(QWidget& form) {
    ScaleForm(form);
    ScaleControls(form);
}

void SetupGraphForm(QWidget& form) {
    form.resize(ResolutionX + 1, ResolutionY + 1);
    form.move(0, 0);
    form.setToolTipDuration(100000);  // hints stay up for 100 s
}

void HelpButtonClick(QWidget& form, int mode, bool clearAbort) {
    ShowHelpText(HelpNumber, static_cast<uint16_t>(mode));
    if (clearAbort) AbortFlag = false;
    form.show();
    form.raise();
    form.activateWindow();
}

DialogButtons MakeDialogButtons(QWidget* form, int y, const char* okName, const char* cancelName) {
    auto make = [form](const char* name, std::string_view caption) {
        auto* b = new QPushButton(OemQ(caption), form);
        b->setObjectName(name);
        return b;
    };
    DialogButtons b{make(okName, "OK"), make(cancelName, "Abbrechen"),
                    make("Button_hilfetext", "&Hilfetext"), make("Button_hilfebild", "Hilfe&bild")};
    b.ok->setDefault(true);
    PlaceDialogButtons(b, y);
    return b;
}

void PlaceDialogButtons(const DialogButtons& b, int y) {
    b.ok->setGeometry(8, y, 80, 28);
    b.cancel->setGeometry(96, y, 90, 28);
    b.helpText->setGeometry(200, y, 90, 28);
    b.helpPicture->setGeometry(298, y, 90, 28);
}

bool CloseOnEnterOrEsc(QDialog& form, int key, bool enterClearsAbort) {
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        if (enterClearsAbort) AbortFlag = false;
        form.accept();
        return true;
    }
    if (key == Qt::Key_Escape) {
        AbortFlag = true;
        form.reject();
        return true;
    }
    return false;
}

}  // namespace kor2
