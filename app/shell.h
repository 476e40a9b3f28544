// The main window's commands without windows: the start mode, opening and
// saving the spring, the full check with the caption of the error-list item,
// and the close sequence. The Qt main window (app/qt/mainwindow) and main()
// call these; the tests in tests/app drive them with scripted dialogs.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

#include "app/startup.h"

namespace kor2 {

// How main() runs: the usage text, the batch report of "/I", the window
// program, or (without a display) the console summary of the spring.
enum class StartMode { Usage, BatchReport, Window, Console };
StartMode DecideStartMode(const CommandLine& cmd, bool display);

// A display is there when DISPLAY or WAYLAND_DISPLAY is set or a Qt
// platform plug-in is named in QT_QPA_PLATFORM.
bool DisplayAvailable();

// The window program's start-up once the main window exists: settings,
// then the spring file of the command line (read and checked; one that
// cannot be read leaves the default spring) or the default spring. True
// when the message window should follow (a spring from the command line).
bool RunWindowStartUp(const CommandLine& cmd);

// Help entries of the main window's commands.
inline constexpr uint16_t kHelpProgram = 1000;
inline constexpr uint16_t kHelpFile = 1010;
inline constexpr uint16_t kHelpCheck = 1020;
inline constexpr uint16_t kHelpDiagrams = 1030;
inline constexpr uint16_t kHelpTableWindow = 3210;  // a table shown from the menu

// The full file name of the current spring ("" when it has no name yet).
// (DataFileFullName of DataFileName.)
std::string SpringFullName();

// Before modified input is replaced or the program ends: asks
// "Datei speichern (name) ?" and saves on Yes, or "Bisherige Eingaben
// verwerfen ?" for input without a name. True when the caller may go on;
// false (AbortFlag set) on Cancel, on "do not discard" and on a failed save.
bool ConfirmDiscardInput();

// Datei/Öffnen: the question above, the open dialog, then the file is read
// and checked. True when a spring was read.
bool OpenSpringCommand();
// Reads and checks the spring file fullName and makes it the current file.
bool OpenSpringFile(const std::string& fullName);
// Datei/Speichern: under the current name, or asking for one.
bool SaveSpringCommand();
// Datei/Speichern unter: always asks for the name.
bool SaveSpringAsCommand();

// Puts a file at the top of the recent-file list kept in the state file.
void AddRecentFile(const std::string& fullName);

// Datenbank/Material: the material table's command (a new material first
// when asked), then OK on a record makes it the spring's material: name,
// moduli and density, MaterialIndex 0 and MaterialRecNo of the record; the
// input counts as modified and is checked again. True when the spring took
// the record, or a new material typed in before the browser was left without
// a pick (also checked, with AbortFlag set); after Abbrechen alone spring and
// material record are as they were. A table failure in between ends the
// command with its message and AbortFlag, and the spring is left the same
// way: as it was, or with the typed material, modified and checked.
bool SelectMaterialCommand();

// A failure raised inside a command (a table that cannot be opened, a
// damaged table) ends that command: the normal cursor, its message and
// AbortFlag.
void EndFailedCommand(const std::exception& e);

// The full check of the current spring; returns the number of messages.
uint16_t RunCheckCommand();
// Caption of the error-list menu item: "&Fehlermeldungen (n)".
std::string ErrorListCaption();

// The window caption: MainTitle and the current file name (code page 850).
std::string MainWindowCaption();

// Closing the program: asks about modified input, writes the state file and
// removes the temporary drawing files "$*.dx$". False when the user keeps
// the program open.
bool CloseMainWindow();

}  // namespace kor2
