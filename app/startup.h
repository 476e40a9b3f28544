// Start-up of the program without windows: every unit's defaults, the
// configuration and state files, the command line and the default spring.
// Called by main() before the main window exists; the batch run of the
// command line ("/I") ends here without any window.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kor2 {

// Defaults of every unit in unit order: program variables, spring values,
// material record, configuration and report variables, the table engine
// and the layers that fill its hook tables.
void InitAllUnits();
// The end of every run, whatever the start mode: the units that keep state
// beyond their variables let it go.
void ShutdownAllUnits();

// Reads the configuration and state files (in the user's configuration
// folder) and checks the configured folders. A missing configuration file
// leaves the defaults. Folders of the program's own files (DbfFolder,
// PltFolder) that the configuration leaves open come from the program files
// folder; the data folder is the state file's, else the current folder.
void ReadSettings();

// The folder of the program's own files (program path text with a trailing
// "\"), set by main() from the executable's place; empty: the current folder.
// Its configuration file stands in for a user who has none yet.
void SetProgramFilesFolder(const std::string& folder);

// What the command line asks for.
struct CommandLine {
    std::string springFile;  // first parameter that is not a switch
    bool writeReport = false;  // "/I"
    bool noGui = false;        // "/NOGUI"
    bool usage = false;        // "?" or "/?"
    // Host parameters (UTF-8) that the program's code page cannot hold.
    std::vector<std::string> refused;
};
CommandLine ParseCommandLine(const std::vector<std::string>& params);

// The program's parameters from the host's (UTF-8): each is converted to
// the program's code page 850 and kept as the command line (SetCommandLine),
// then parsed. A parameter that code page cannot hold is left out and
// listed in refused, so that no file is read or written under a garbled name.
CommandLine TakeCommandLine(const std::vector<std::string>& hostArgs);
// Tells the user about each refused parameter; false when there was one.
bool AcceptCommandLineNames(const CommandLine& cmd);
std::string UsageText();

// Reads a spring file (program path form) and makes it the current one:
// DataFolder and DataFileName follow its name as spelt on disk (a save
// replaces that file) and the input counts as unmodified. False when it
// cannot be read.
bool ReadCurrentSpringFile(const std::string& file);

// Reads a spring file given on the command line (and checks it). Sets
// DataFolder and DataFileName from its name. False when it cannot be read.
bool LoadCommandLineSpring(const std::string& name);

// Without a spring on the command line: reads "null" + the spring file
// extension from the data folder, else the one shipped in TRAIN of the
// program's files, then checks the spring. The spring keeps its name in
// the data folder.
void LoadDefaultSpring();

// The command-line report: page header and messages section of the current
// spring, written through report device 9 to DataFileName + ".txt".
// True when the report was written.
bool WriteCommandLineReport();

// After a spring was read without a window: the table engine's cause of a
// material that could not be read goes to the user (the error list holds
// "Fatal  : FEDWST DBF error" already). False when that cause was a file
// the run could not write (no room in the temporary folder): the run's
// results are then not what the table would give, and it ends with 1.
bool TellMaterialCause();

// The whole batch run of "/I": exit code 0, or 1 when the spring file
// cannot be read, its material table could not be used for want of a
// writable temporary file, or the report cannot be written.
int RunBatchReport(const CommandLine& cmd);

}  // namespace kor2
