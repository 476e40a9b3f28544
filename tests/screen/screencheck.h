// What the screen test checks on a window shown on a real X server: every
// control lies inside its parent, no button, label or group title is cut,
// and every menu-bar item shows.
#pragma once

#include <string>
#include <vector>

class QWidget;

namespace kor2::test {

// One line per fault of the window and its visible controls; empty when
// the window is whole. Controls scrolled inside a view are not checked.
std::vector<std::string> LayoutFaults(QWidget& window);

}  // namespace kor2::test
