// Real input for the screen test: keys and clicks through the X server's
// test extension (the xdotool program, a second process) and the close box
// as a window manager sends it (WM_DELETE_WINDOW from a second connection).
#pragma once

#include <QStringList>
#include <string>

class QWidget;

namespace kor2::test {

// True when the xdotool and setxkbmap programs are on PATH.
bool HaveXdoTool();
// Runs xdotool with args while the event loop goes on; empty when it
// succeeded, else what went wrong.
std::string XdoTool(const QStringList& args);
// Gives the X server the keyboard layout (as "de") for the keys pressed
// from now on.
std::string KeyboardLayout(const QString& layout);
// Gives the window the X input focus and waits until Qt sees it active.
std::string FocusWindow(QWidget& window);
// Gives the window the focus, waits until one of its line edits has the
// keyboard focus, types text there with real keys and waits until the edit
// holds it; empty when it did, else what went wrong.
std::string TypeIntoLineEdit(QWidget& window, const QString& text);
// Clicks the widget's centre with the real mouse.
std::string ClickWidget(QWidget& widget);
// Asks the window to close as its close box (or Alt+F4) does.
void SendCloseBox(QWidget& window);

}  // namespace kor2::test
