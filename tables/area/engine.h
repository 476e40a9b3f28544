// Start-up and shut-down of the table engine: hook tables cleared, language
// settings, system facts, default settings. Called once by the program
// before any table is used, and by tests to start from the initial state.
#pragma once

namespace kor2 {

void InitTableEngine();
void ShutdownTableEngine();  // closes the engine's own areas first, then all others

}  // namespace kor2
