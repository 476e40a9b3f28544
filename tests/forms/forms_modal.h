// Driving modal dialogs in form tests: a queued action runs on the next
// modal widget that opens, so that the code under test can call exec().
#pragma once

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace kor2::test {

// Runs action on the modal widget of type T that becomes active after now
// (polling the event loop), at most about two seconds long.
template <typename T = QWidget>
void OnModal(std::function<void(T*)> action, QWidget* notThis = nullptr, int tries = 200) {
    QTimer::singleShot(10, [action, notThis, tries] {
        QWidget* w = QApplication::activeModalWidget();
        T* t = qobject_cast<T*>(w);
        if (t != nullptr && w != notThis && w->isVisible()) {
            action(t);
        } else if (tries > 0) {
            OnModal<T>(action, notThis, tries - 1);
        } else if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            d->done(QDialog::Rejected);  // never hang: the test then fails on its checks
        }
    });
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
