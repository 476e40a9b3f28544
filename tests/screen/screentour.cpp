// The tour's polling of the modal window stack on the running event loop.
#include "screen/screentour.h"

#include <algorithm>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <memory>

#include "common/globals.h"
#include "screen/screencheck.h"

namespace kor2::test {

namespace {

// The window's picture as name + ".png" in the build's screen folder.
void SaveShot(QWidget& window, const std::string& name) {
    QDir().mkpath(KOR2_SCREEN_DIR);
    window.grab().save(QString::fromStdString(std::string(KOR2_SCREEN_DIR) + "/" + name + ".png"));
}

}  // namespace

std::vector<std::string> Inspect(QWidget& window, const std::string& name) {
    std::vector<std::string> faults;
    if (!QTest::qWaitForWindowExposed(&window, 20000))
        return {name + ": the window did not show on the screen"};
    QCoreApplication::sendPostedEvents();  // pending layouts before the picture
    SaveShot(window, name);
    for (const std::string& f : LayoutFaults(window)) faults.push_back(name + ": " + f);
    return faults;
}

std::vector<std::string> Tour(const std::function<void()>& command, std::vector<ScreenStep> steps) {
    std::vector<std::string> faults;
    std::size_t next = 0;
    QPointer<QWidget> handled;            // the window of the last step while it still shows
    std::vector<QPointer<QWidget>> seen;  // the windows of the steps so far
    // The next window is waited for from the end of the last step's action,
    // which may take its time (typing with real keys).
    auto waiting = std::make_shared<QElapsedTimer>();
    auto acting = std::make_shared<int>(0);  // actions running (one may nest in another)
    waiting->start();
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (handled && !handled->isVisible()) handled = nullptr;
        QWidget* top = QApplication::activeModalWidget();
        // A window an earlier step acted on is on top again because the
        // window above it closed; that window's action (still running, one
        // level down) must return first, so that the code which showed it
        // goes on (and may close it) before the tour looks at it again.
        const bool again = std::any_of(seen.begin(), seen.end(),
                                       [&](const QPointer<QWidget>& w) { return w == top; });
        if (next >= steps.size()) {
            // A window the tour did not expect: noted and cancelled as Esc would.
            if (top == nullptr || !top->isVisible() || top == handled) return;
            if (again && *acting > 0) return;
            faults.push_back("a window \"" + top->windowTitle().toStdString() +
                             "\" showed after the last step");
            handled = top;
            AbortFlag = true;
            if (auto* d = qobject_cast<QDialog*>(top)) d->reject();
            return;
        }
        if (top == nullptr || !top->isVisible() || top == handled) {
            if (*acting > 0 || waiting->elapsed() < 20000) return;
            faults.push_back(steps[next].name + ": no window showed");
            ++next;
            waiting->restart();
            if (auto* d = qobject_cast<QDialog*>(top)) d->reject();
            return;
        }
        if (again && *acting > 0) return;
        seen.emplace_back(top);
        handled = top;
        const ScreenStep& step = steps[next++];
        for (std::string& f : Inspect(*top, step.name)) faults.push_back(std::move(f));
        waiting->restart();
        QPointer<QWidget> target = top;
        QTimer::singleShot(0, [target, action = step.action, waiting, acting] {
            if (!target) return;
            ++*acting;
            action(target);
            --*acting;
            waiting->restart();
        });
    });
    poll.start();
    command();
    poll.stop();
    for (; next < steps.size(); ++next) faults.push_back(steps[next].name + ": no window showed");
    return faults;
}

void Cancel(QWidget* window) {
    for (auto* b : window->findChildren<QAbstractButton*>()) {
        const QString text = b->text().remove('&');
        if ((text == "Abbrechen" || text == "Cancel") && b->isVisible() && b->isEnabled()) {
            ClickLater(b);
            return;
        }
    }
    if (auto* d = qobject_cast<QDialog*>(window)) d->reject();
}

void ClickLater(QWidget* button) {
    QPointer<QWidget> b = button;
    QTimer::singleShot(0, [b] {
        if (auto* ab = qobject_cast<QAbstractButton*>(b.data())) ab->click();
    });
}

}  // namespace kor2::test
