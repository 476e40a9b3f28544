// What the screen test checks on a window shown on a real X server: every
// control lies inside its parent, no button, label or group title is cut,
// and every menu-bar item shows; and where its picture goes.
#pragma once

#include <string>
#include <vector>

class QWidget;

namespace kor2::test {

// One line per fault of the window and its visible controls; empty when
// the window is whole. Controls scrolled inside a view are not checked.
std::vector<std::string> LayoutFaults(QWidget& window);

// Writes the window's picture as name + ".png" into the screen folder of
// the build and returns the file's path.
std::string SaveShot(QWidget& window, const std::string& name);

}  // namespace kor2::test
