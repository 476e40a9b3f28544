// Text conversion, placement, scaling and help buttons shared by the forms
// of the standard dialogs and the message window.
#include "common/forms/formutil.h"

#include <QDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLayout>
#include <QPushButton>
#include <QWidget>
#include <algorithm>

#include "common/config.h"
#include "common/globals.h"
#include "common/helptext.h"
#include "common/textutil.h"
#include "graphics/qt/graphwidget.h"
#include "graphics/window/graphwin.h"
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
    platform::SettleLayout(form);
    form.resize(form.width() * ScreenScalePercent / 100, form.height() * ScreenScalePercent / 100);
}

void ScaleControls(QWidget& form) {
    if (auto* f = qobject_cast<platform::TForm*>(&form)) f->ScaleBy(DialogScalePercent);
    platform::SettleLayout(form);
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
    const int width = ResolutionX + 1;
    int menu = 0;  // the client area lies below the window's menu bar
    if (QLayout* l = form.layout(); l != nullptr && l->menuBar() != nullptr) {
        const QWidget* bar = l->menuBar();  // as high as the layout will make it
        menu = bar->isHidden() ? 0 : bar->heightForWidth(width);
        if (menu < 0) menu = bar->sizeHint().height();
    }
    form.resize(width, ResolutionY + 1 + menu);
    form.move(0, 0);
    if (auto* graph = qobject_cast<TFquorgra*>(&form))
        graph->SetBackground(WindowColourToQt(WindowColour));
    form.setToolTipDuration(100000);  // hints stay up for 100 s
}

void HelpButtonClick(QWidget& form, int mode, bool clearAbort) {
    ShowHelpText(HelpNumber, static_cast<uint16_t>(mode));
    if (clearAbort) AbortFlag = false;
    form.show();
    form.raise();
    form.activateWindow();
}

QPushButton* MakeButton(QWidget* form, const char* name, std::string_view caption) {
    auto* b = new QPushButton(OemQ(caption), form);
    b->setObjectName(name);
    return b;
}

QGridLayout* AtLeast(QWidget* control, int width, int height) {
    // A cell's least size gives way to a larger need, which a control's own
    // minimum size would not.
    auto* cell = new QGridLayout;
    cell->setContentsMargins(0, 0, 0, 0);
    cell->addWidget(control, 0, 0);
    cell->setColumnMinimumWidth(0, width);
    cell->setRowMinimumHeight(0, height);
    return cell;
}

DialogButtons MakeDialogButtons(QWidget* form, const char* okName, const char* cancelName) {
    DialogButtons b{MakeButton(form, okName, "OK"), MakeButton(form, cancelName, "Abbrechen"),
                    MakeButton(form, "Button_hilfetext", "&Hilfetext"),
                    MakeButton(form, "Button_hilfebild", "Hilfe&bild")};
    b.ok->setDefault(true);
    return b;
}

QHBoxLayout* ButtonRow(std::initializer_list<QPushButton*> buttons) {
    auto* row = new QHBoxLayout;
    for (QPushButton* b : buttons) row->addWidget(b);
    row->addStretch(1);
    return row;
}

QHBoxLayout* ButtonRow(const DialogButtons& b) {
    QHBoxLayout* row = ButtonRow({b.ok, b.cancel});
    row->insertSpacing(2, 8);
    row->insertWidget(3, b.helpText);
    row->insertWidget(4, b.helpPicture);
    return row;
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
