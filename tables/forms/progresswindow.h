// Engine progress on screen: installs the factory through which core code
// (delimited import, in-memory loads and saves, index builds) opens a
// TTbProgress100 window. main() calls InstallEngineProgressWindow once.
#pragma once

namespace kor2 {

// Sets MakeEngineProgress to open a progress window captioned with the text.
void InstallEngineProgressWindow();

}  // namespace kor2
