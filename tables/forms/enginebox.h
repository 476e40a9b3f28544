// The engine's message box on Qt: installs itself as the engine's box hook,
// owned by the active window. Called once by the program at start-up.
#pragma once

namespace kor2 {

void InstallEngineQtMessageBox();

}  // namespace kor2
