// Where the program's own files are (help texts, message descriptions,
// material table, default and demo springs) and how a path text is shown to
// the user. Called at start-up and wherever a path reaches the screen.
#pragma once

#include <string>
#include <string_view>

namespace kor2::platform {

// Host folder of the running executable (no trailing "/"); empty when the
// host does not tell.
std::string ExecutableFolder();

// The folder of the program's own files for an executable in exeFolder (host
// form): "data" beside it (the build tree), else installedRelative below it
// (an installation, e.g. "../share/kor2"). Returned as a program path text
// with a trailing "\"; empty when neither folder exists.
std::string ProgramFilesFolder(std::string_view exeFolder, std::string_view installedRelative);

// The user's configuration folder of the program, as a program path text
// without a trailing "\": $XDG_CONFIG_HOME/kor2 when that variable holds an
// absolute path, else ~/.config/kor2 (the home folder from HOME, else from
// the account). Empty when no home folder is known. The folder may not exist.
std::string UserConfigFolder();

// Creates the folder path (program path text) with every missing parent,
// each new one readable only by the user (mode 0700). True when the folder
// exists afterwards.
bool CreateFolders(std::string_view path);

// A program path text as the host writes it, for the screen and messages:
// "\" becomes "/", a leading drive "X:" is dropped and existing names show
// with their real case, as every file call finds them. The result is in the
// program's code page (850), as the path was.
std::string DisplayPath(std::string_view path);

}  // namespace kor2::platform
