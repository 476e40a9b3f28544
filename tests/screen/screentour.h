// A tour of the windows that one command opens: each step waits for the
// next window that shows modally, checks it on the screen, saves its
// picture, then acts on it (usually closing it or choosing something).
#pragma once

#include <functional>
#include <string>
#include <vector>

class QWidget;

namespace kor2::test {

struct ScreenStep {
    std::string name;                      // of the picture file, and in the faults
    std::function<void(QWidget*)> action;  // runs once the window was checked
};

// Waits until window shows on the screen, then its faults (each prefixed
// with name) after its picture was saved as name + ".png".
std::vector<std::string> Inspect(QWidget& window, const std::string& name);

// Runs command, which opens modal windows in the order of steps. Returns
// the faults of every window, and a fault for a step whose window did not
// show within a few seconds (that window is then cancelled, so the tour
// never hangs).
std::vector<std::string> Tour(const std::function<void()>& command, std::vector<ScreenStep> steps);

// Its "Abbrechen" button where the window has one, else the close box.
void Cancel(QWidget* window);

// Clicks the button later, from the event loop, so that a window the click
// opens runs its own loop outside the tour's step.
void ClickLater(QWidget* button);

}  // namespace kor2::test
