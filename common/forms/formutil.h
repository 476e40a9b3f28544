// Shared pieces of the program's forms: text conversion at the widget
// boundary (code page 850 in the program, Unicode in Qt), placement and
// scaling of dialogs over the graphics window, and the help buttons.
#pragma once

#include <QString>
#include <string>
#include <string_view>

class QDialog;
class QPushButton;
class QWidget;

namespace kor2 {

// Code page 850 to the widget through the Windows character set (OemToAnsi
// rules), and back through AnsiToOemStr. Long texts are converted piecewise
// so that no text is lost to the 255-character limit of those routines.
QString OemQ(std::string_view oem);
std::string QOem(const QString& text);

// Size times ScreenScalePercent, centred over GraphWindow (20 pixels
// lower), then scaled by DialogScalePercent.
void CenterDialogOnGraph(QWidget& form);
// The same scaling, placed at HelpPictureLeft, HelpPictureTop.
void PlaceDialogAtSaved(QWidget& form);
// The same scaling without moving.
void ScaleDialog(QWidget& form);
// The main window: client area of ResolutionX + 1 by ResolutionY + 1 at 0, 0.
void SetupGraphForm(QWidget& form);

// A help button of a dialog: the help entry HelpNumber as text (mode 1) or
// picture (mode 2); clearAbort then clears AbortFlag; the dialog comes to
// the front again.
void HelpButtonClick(QWidget& form, int mode, bool clearAbort);

// The row of OK, "Abbrechen", "&Hilfetext" and "Hilfe&bild" at height y,
// with the object names the forms give them; OK is the default button.
struct DialogButtons {
    QPushButton* ok;
    QPushButton* cancel;
    QPushButton* helpText;
    QPushButton* helpPicture;
};
DialogButtons MakeDialogButtons(QWidget* form, int y, const char* okName, const char* cancelName);
void PlaceDialogButtons(const DialogButtons& b, int y);

// The keys of the list, radio, text and yes/no dialogs: Enter closes (and
// clears AbortFlag when enterClearsAbort), Esc sets AbortFlag and closes.
// True when the key was one of them.
bool CloseOnEnterOrEsc(QDialog& form, int key, bool enterClearsAbort);

}  // namespace kor2
