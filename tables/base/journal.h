// The journal of a change that replaces files by new ones (Pack, an index
// build or rebuild, a memo pack): written first, naming every new file the
// change will make, so that what a dead change left is exactly what its
// journal names. The next program that opens the table (or the index)
// completes a journal that was ready for its renames, clears one that was
// not, and touches nothing else; it never lists the folder. Called by
// tables/area/changes.cpp, tables/memo/memofile.cpp, tables/index/ndxbuild.cpp
// and the opens of tables/dbf/dbffile.cpp and tables/index/orders.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/folder.h"
#include "tables/base/enginefile.h"

namespace kor2 {

// The journal of a table's Pack (beside the table's real file) and of an
// index build (beside the index's real file).
std::string TableJournalName(const std::string& table);
std::string IndexJournalName(const std::string& index);

// One change: new files beside their targets, all in the journal's folder.
class ChangeJournal {
public:
    // failText: the message of a failed write of the journal or a new file
    // (else one naming the file and the routine).
    ChangeJournal(const std::string& journal, std::string routine, std::string failText = {});
    // A change that did not reach its renames takes back its new files and
    // its journal.
    ~ChangeJournal();
    ChangeJournal(const ChangeJournal&) = delete;
    ChangeJournal& operator=(const ChangeJournal&) = delete;

    // Names a new file for `target` (a bare name of the journal's folder);
    // before Begin. Its number for the calls below.
    size_t Plan(const std::string& target);
    // The same for a file given by its path, which must lie (links followed)
    // in the journal's folder; false after reporting error 5 naming it.
    bool PlanFile(const std::string& file, size_t& entry);
    // Checks that each target may be replaced and that no earlier change's
    // journal is in the way, then writes and flushes the journal; false after
    // reporting error 5 (naming the file) or the I/O error.
    bool Begin();
    // Makes the new file (exclusive share) for the engine's writes; nullptr
    // after reporting the error.
    std::unique_ptr<EngineFile> Make(size_t i);
    std::string NewPath(size_t i) const;
    std::string TargetPath(size_t i) const;
    // All new files are whole: the journal says so before the first rename
    // (a journal of one new file needs no mark: its one rename is whole or
    // absent, and its new file is gone once made).
    bool Ready();
    // Renames the new file over its target, which it takes the owner and mode
    // of; false after reporting the error.
    bool Put(size_t i);
    // After the renames: the journal goes when each was made. Otherwise the
    // new files not renamed go with it when `dropRest` (each rename stood
    // alone), else it stays for the next opener to complete.
    void Finish(bool dropRest);

private:
    struct Entry {
        std::string target;  // bare names
        std::string fresh;
        bool made = false;
        bool put = false;
        platform::FolderEntry facts;  // of the file made
        platform::File handle;        // the file made, until it is renamed
    };
    void TakeBack();
    std::string WriteFailText(const std::string& journal) const;
    // Erases the name only while it still is the file this change made.
    void EraseOwn(const std::string& name, const platform::FolderEntry& made);

    platform::Folder folder_;
    std::string name_;  // the journal's bare name
    std::string routine_;
    std::string failText_;
    std::vector<Entry> entries_;
    platform::File held_;  // the journal, its live mark locked
    platform::FolderEntry heldFacts_;
    bool begun_ = false;
    bool ready_ = false;
};

// What an opener found at a journal's name.
enum class JournalFound {
    None,       // no journal, or nothing of it left to do
    Live,       // a running program's change: left to it
    Cleared,    // a dead change that had not begun its renames: taken back
    Completed,  // a dead change's renames completed: the names stand for new files
    Refused,    // not obeyed: `why` tells
    Unable,     // a dead change's renames this account may not complete
};
struct JournalOutcome {
    JournalFound found = JournalFound::None;
    std::string why;
};

// What a journal may do for the file being opened.
struct JournalRules {
    std::string journal;               // its path
    std::vector<std::string> targets;  // the files it may replace (bare names)
    // The table (its path as the opener finds it): a journal of its owner's
    // is obeyed, besides one of the opener's own.
    std::string table;
    // Whether a new file belongs to the file being opened (read through its handle).
    std::function<bool(platform::File& fresh)> belongs;
};
// Run where a table or index is opened, before it is read. A journal and the
// new files it names are obeyed only when they are plain files (no link, one
// name) owned by one trusted account, name bare engine names and targets
// allowed by the rules.
JournalOutcome CompleteJournal(const JournalRules& rules);

// The error 5 text for a table a dead program left in the middle of a
// change that the opener may not complete; `left` names what it left.
std::string UnfinishedChangeText(const std::string& table, const std::string& left,
                                 const std::string& routine);
// The error 5 text of an open that must not go on after what CompleteJournal
// found at `journal`; empty when it may go on.
std::string JournalRefusalText(const JournalOutcome& found, const std::string& table,
                               const std::string& journal, const std::string& routine);

}  // namespace kor2
