#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/fault_hook.h"

namespace gerador {

// One file's part of a commit, as the journal in its folder records it. The names are
// plain entries of that folder (no '/', no "..") and the inodes tell which file a name
// holds, so that recovery acts on a name only when it holds the file the commit put there.
struct TJournalEntry {
    std::string final;               // the name the new file takes
    std::string backup;              // where the earlier file waits until the commit is done
    std::string temporary;           // where the new file waits for its name
    std::uint64_t newInode = 0;      // the new file's
    std::uint64_t earlierInode = 0;  // the earlier file's; 0: no file stood under the name
};

// A folder's part of a commit. committed: every new file had its name, on the disk,
// before the mark was written; what is left is clean-up.
struct TJournal {
    bool committed = false;
    std::vector<TJournalEntry> entries;
};

// The journal's name in its folder is this prefix and a suffix of siblingName's.
inline constexpr std::string_view kJournalPrefix = "commit.gerador~journal";
// A journal larger than this is no journal of ours: a run's folder holds a handful of files.
inline constexpr std::uint64_t kJournalMaxBytes = 1 << 20;

// The journal's bytes: a header line, a state line whose one byte the commit overwrites
// ('U' until every rename is on the disk, then 'C'), the entries, and an end mark.
std::string journalText(const TJournal& journal);
// Where the state byte lies, for the commit to overwrite it in place (one byte is written
// whole or not at all).
std::size_t journalStateOffset();
// Parses a journal's bytes; nullopt when they are not a whole, well-formed journal with
// plain names.
std::optional<TJournal> parseJournal(std::string_view text);

// Whether name is a plain entry of a folder: not empty, no '/', not "." or "..".
bool isPlainName(std::string_view name);

// One file-system step of a commit, as a test observes it before it is taken (see
// TRunEnvironment::commitObserver). A sync makes every step before it durable; between two,
// a crash may keep any of them and lose the others.
struct TCommitStep {
    enum class TKind { createJournal, link, rename, unlink, markCommitted, sync };
    TKind kind;
    std::string folder;  // as the run resolved it
    std::string name;    // the entry acted on; for link and rename, the source
    std::string target;  // link and rename: the new name
    std::string bytes;   // createJournal: the journal's content
};

// What the recovery of one folder did and what it refused, each note a whole sentence
// in the console's language.
struct TRecovery {
    int rolledBack = 0;     // commits undone: the earlier files back under their names
    int rolledForward = 0;  // commits finished: their backups removed
    std::vector<std::string> notes;
};

// Finishes or undoes every interrupted commit whose journal lies in folder, an open
// descriptor of a folder this process has locked; folderName names it in the notes.
// A journal is obeyed only when it is a regular file of the running user's (or root's),
// within kJournalMaxBytes and well formed; any other is left as it is, with a note. Every
// step goes through the descriptor and touches only names the journal lists, and only
// when they hold the files it recorded; what recovery cannot tell apart it keeps.
// hook: the test build's faults ("unlink", "restore", "sync"); null: none.
TRecovery recoverFolder(int folder, const std::string& folderName, TFaultHook hook = nullptr);

}  // namespace gerador
