// xdotool runs asynchronously so that the keys it sends are delivered to
// the windows of this process while it waits; the close message goes out
// through a connection of its own, as a window manager's does.
#include "screen/xinput.h"

#include <xcb/xcb.h>

#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QLineEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QWidget>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace kor2::test {

namespace {

struct FreeReply {
    void operator()(void* p) const { std::free(p); }
};

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
    const xcb_intern_atom_cookie_t ck =
        xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name);
    const std::unique_ptr<xcb_intern_atom_reply_t, FreeReply> r(
        xcb_intern_atom_reply(c, ck, nullptr));
    return r ? r->atom : xcb_atom_t{XCB_ATOM_NONE};
}

}  // namespace

// Runs program with args while the event loop goes on.
std::string Run(const QString& program, const QStringList& args) {
    const std::string what = (program + ' ' + args.join(' ')).toStdString();
    QProcess p;
    p.start(program, args);
    if (!p.waitForStarted(20000)) return what + ": did not start";
    if (!QTest::qWaitFor([&] { return p.state() == QProcess::NotRunning; }, 30000)) {
        p.kill();
        p.waitForFinished();
        return what + ": did not end";
    }
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return what + ": " + p.readAllStandardError().toStdString();
    return {};
}

bool HaveXdoTool() {
    return !QStandardPaths::findExecutable("xdotool").isEmpty() &&
           !QStandardPaths::findExecutable("setxkbmap").isEmpty();
}

std::string XdoTool(const QStringList& args) {
    return Run("xdotool", args);
}

std::string KeyboardLayout(const QString& layout) {
    // The server tells Qt of the new key map before any key pressed later.
    return Run("setxkbmap", {"-layout", layout});
}

std::string FocusWindow(QWidget& window) {
    window.raise();
    window.activateWindow();
    std::string fault = XdoTool({"windowfocus", "--sync", QString::number(window.winId())});
    if (fault.empty() && !QTest::qWaitForWindowActive(&window, 20000))
        fault = "the window did not become active";
    return fault;
}

std::string TypeIntoLineEdit(QWidget& window, const QString& text) {
    if (std::string fault = FocusWindow(window); !fault.empty()) return fault;
    QLineEdit* edit = nullptr;
    if (!QTest::qWaitFor(
            [&] {
                edit = qobject_cast<QLineEdit*>(QApplication::focusWidget());
                return edit != nullptr && window.isAncestorOf(edit);
            },
            20000))
        return "no line edit of the window has the focus";
    if (std::string fault = XdoTool({"type", "--delay", "100", text}); !fault.empty()) return fault;
    if (!QTest::qWaitFor([&] { return edit->text() == text; }, 20000))
        return "the line edit holds \"" + edit->text().toStdString() + "\", not the typed text";
    return {};
}

std::string ClickWidget(QWidget& widget) {
    const QPoint at = widget.mapToGlobal(widget.rect().center());
    // A move to where the pointer already is sends no motion, which
    // "--sync" would wait for in vain.
    if (QCursor::pos() == at) return XdoTool({"click", "1"});
    return XdoTool(
        {"mousemove", "--sync", QString::number(at.x()), QString::number(at.y()), "click", "1"});
}

void SendCloseBox(QWidget& window) {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c) != 0) {
        ADD_FAILURE() << "no second connection to the X server";
    } else {
        xcb_client_message_event_t ev{};
        ev.response_type = XCB_CLIENT_MESSAGE;
        ev.format = 32;
        ev.window = static_cast<xcb_window_t>(window.winId());
        ev.type = Atom(c, "WM_PROTOCOLS");
        ev.data.data32[0] = Atom(c, "WM_DELETE_WINDOW");
        ev.data.data32[1] = XCB_CURRENT_TIME;
        xcb_send_event(c, 0, ev.window, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char*>(&ev));
        // A round trip: the server has handled the message before this returns.
        std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    }
    xcb_disconnect(c);
}

}  // namespace kor2::test
