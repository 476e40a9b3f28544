// Driving windows in form tests: a queued action runs on the next modal
// widget that opens, so that the code under test can call exec(); waits are
// for the state a test needs (a window active, a widget with the keyboard),
// never for a fixed time, so that a busy machine only makes them longer.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QGuiApplication>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <functional>

namespace kor2::test {

// How long a form test waits for a state before it fails.
constexpr int kWaitLimitMs = 20000;

// Runs action on the modal widget of type T that is shown and active (keys
// and focus reach a window only then) after now, polling the event loop.
// After the limit the test fails and a modal dialog is rejected.
template <typename T = QWidget>
void OnModal(std::function<void(T*)> action, QWidget* notThis = nullptr,
             QDeadlineTimer limit = QDeadlineTimer(kWaitLimitMs)) {
    QTimer::singleShot(10, [action, notThis, limit] {
        QWidget* w = QApplication::activeModalWidget();
        T* t = qobject_cast<T*>(w);
        const bool shown = t != nullptr && w != notThis && w->isVisible();
        // A window shown again that the platform still holds as its focus
        // window gets no new activation from it (there is no window manager
        // offscreen): the test activates it as a window manager would.
        if (shown && !w->isActiveWindow() && w->windowHandle() != nullptr &&
            QGuiApplication::focusWindow() == w->windowHandle())
            QApplication::setActiveWindow(w);
        if (shown && w->isActiveWindow()) {
            action(t);
        } else if (!limit.hasExpired()) {
            OnModal<T>(action, notThis, limit);
        } else {
            ADD_FAILURE() << "no active modal window of the expected kind";
            if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
                d->done(QDialog::Rejected);  // never hang
        }
    });
}

// Runs the event loop until done() holds or the limit has passed.
template <typename F>
bool WaitUntil(F done) {
    return QTest::qWaitFor(done, kWaitLimitMs);
}

// The widget that has the keyboard once one has it; a test failure and
// nullptr when none gets it within the limit.
inline QWidget* KeyboardFocus() {
    if (!WaitUntil([] { return QApplication::focusWidget() != nullptr; })) {
        ADD_FAILURE() << "no widget has the keyboard";
        return nullptr;
    }
    return QApplication::focusWidget();
}

// Runs every event already queued, and those they queue in turn, until the
// queue is empty: afterwards a test can check that nothing else happened,
// without waiting a fixed time for it.
inline void DrainEvents() {
    for (int round = 0; round < 1000; ++round) {
        QCoreApplication::sendPostedEvents();
        if (!QCoreApplication::eventDispatcher()->processEvents(QEventLoop::AllEvents)) return;
    }
}

}  // namespace kor2::test
