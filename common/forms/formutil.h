// Shared pieces of the program's forms: text conversion at the widget
// boundary (code page 850 in the program, Unicode in Qt), placement and
// scaling of dialogs over the graphics window, and the help buttons.
#pragma once

#include <QString>
#include <initializer_list>
#include <string>
#include <string_view>

class QDialog;
class QGridLayout;
class QHBoxLayout;
class QPushButton;
class QWidget;

namespace kor2 {

// Code page 850 to the widget through the Windows character set (OemToAnsi
// rules), and back through AnsiToOemStr. Long texts are converted piecewise
// so that no text is lost to the 255-character limit of those routines.
QString OemQ(std::string_view oem);
std::string QOem(const QString& text);

// Size times ScreenScalePercent, centred over GraphWindow (20 pixels
// lower), then scaled by DialogScalePercent. A form with a layout never
// becomes smaller than its controls need in the screen's fonts.
void CenterDialogOnGraph(QWidget& form);
// The same scaling, placed at HelpPictureLeft, HelpPictureTop.
void PlaceDialogAtSaved(QWidget& form);
// The same scaling without moving.
void ScaleDialog(QWidget& form);
// The main window: client area (below its menu bar) of ResolutionX + 1 by
// ResolutionY + 1 at 0, 0, background WindowColour, hints shown for 100 s.
void SetupGraphForm(QWidget& form);

// A help button of a dialog: the help entry HelpNumber as text (mode 1) or
// picture (mode 2); clearAbort then clears AbortFlag; the dialog comes to
// the front again.
void HelpButtonClick(QWidget& form, int mode, bool clearAbort);

// OK, "Abbrechen", "&Hilfetext" and "Hilfe&bild" with the object names the
// forms give them; OK is the default button.
struct DialogButtons {
    QPushButton* ok;
    QPushButton* cancel;
    QPushButton* helpText;
    QPushButton* helpPicture;
};
DialogButtons MakeDialogButtons(QWidget* form, const char* okName, const char* cancelName);
// The buttons in one row from the left; the help buttons stand a little apart.
QHBoxLayout* ButtonRow(const DialogButtons& b);
QHBoxLayout* ButtonRow(std::initializer_list<QPushButton*> buttons);
// A push button of the forms with its caption (code page 850) and object
// name; as wide as its text needs in the screen's font.
QPushButton* MakeButton(QWidget* form, const char* name, std::string_view caption);
// The control in a layout cell of at least width x height pixels (the sizes
// the forms are designed with), larger where its contents need more.
QGridLayout* AtLeast(QWidget* control, int width, int height);

// The keys of the list, radio, text and yes/no dialogs: Enter closes (and
// clears AbortFlag when enterClearsAbort), Esc sets AbortFlag and closes.
// True when the key was one of them.
bool CloseOnEnterOrEsc(QDialog& form, int key, bool enterClearsAbort);

}  // namespace kor2
