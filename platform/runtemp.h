// The private temporary folder of one run: created with a unique name and
// mode 0700 inside the temporary folder at first use, so that runs and users
// never share the program's fixed temporary names, and removed when the run
// ends however it ends (return from main, exit, terminate, fatal signal).
// A program started with a file of the folder (a viewer) keeps it: the
// removal is then left to a detached waiter that removes the folder once
// that program and everything it started have ended.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>

namespace kor2::platform {

// The run's private folder inside base (a program path text, "\" at its
// end): created at the first call for this base, the same folder on every
// later one while it exists. Empty when it cannot be created.
std::string PrivateTempFolder(std::string_view base);
// The private folder given out last; one inside TempPath() when there is none.
std::string CurrentPrivateTempFolder();
// True when file (a program path) lies in one of this run's private
// folders, which no other program shares. Creates no folder.
bool InPrivateTempFolder(std::string_view file);

// Ends the run's private folders: removes them now, or hands them to the
// waiter while a program started by this run may still read a file in them.
// Runs once more at exit, in the terminate handler and on fatal signals.
void EndPrivateTempFolders();

// Moves file, one of the run's private folder, into the folder that holds
// the private folder, under the new unique name stem + "-XXXXXX" + ext, so
// that it outlives the run (a report that could not go where it was asked
// to). It stays readable and writable by its owner alone. The program path
// of the kept file; empty when it could not be moved.
std::string KeepBeyondRun(std::string_view file, std::string_view stem, std::string_view ext);
// The same for a copy of file, which the run goes on using. Empty when it
// could not be made whole.
std::string KeepCopyBeyondRun(std::string_view file, std::string_view stem, std::string_view ext);

// Records a program started by this run in a session of its own (its
// session id is its pid); its files stay while the session has a process.
void NoteStartedSession(pid_t session);
// How long files stay at least after their program started (seconds): an
// opener that hands the file to a running viewer ends before the viewer
// has read it.
void SetHandOverGrace(int seconds);

}  // namespace kor2::platform
