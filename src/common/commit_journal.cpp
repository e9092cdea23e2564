#include "common/commit_journal.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/messages.h"

namespace gerador {

namespace {

// - line 1: "gerador commit journal 2";
// - line 2: "state " and one byte, U (uncommitted) or C (committed);
// - per entry, five NUL-ended fields: final name, backup name, temporary name, the new
//   file's inode and the earlier file's (0: none), in decimal;
// - "end" and a newline, so that a journal cut short is never taken for a whole one.
constexpr std::string_view kHeader = "gerador commit journal 2\n";
constexpr std::string_view kStateLabel = "state ";
constexpr std::string_view kEnd = "end\n";

constexpr const char* kJournalLeftAsItIs = N_("o diário de gravação \"%s\" foi deixado como está: %s");
constexpr const char* kNotKept = N_("\"%s\" não guarda o arquivo que a gravação interrompida registrou; \"%s\" foi mantido");
constexpr const char* kRestoreFailed =
    N_("não foi possível pôr o arquivo anterior de volta em \"%s\"; ele está em \"%s\"");
constexpr const char* kNotRemoved = N_("não foi possível remover \"%s\", de uma gravação interrompida: %s");

std::optional<std::uint64_t> inodeOf(std::string_view text) {
    std::uint64_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
    return value;
}

// The inode a folder's entry holds, without following a link; 0 when there is none.
std::uint64_t entryInode(int folder, const std::string& name) {
    struct stat status {};
    return fstatat(folder, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 ? status.st_ino : 0;
}

int fault(TFaultHook hook, const char* operation) {
    return hook != nullptr ? hook(operation) : 0;
}

class TFolderRecovery {
public:
    TFolderRecovery(int folder, const std::string& folderName, TFaultHook hook, TRecovery& recovery)
        : folder_(folder), folderName_(folderName), hook_(hook), recovery_(recovery) {}

    // Reads the journal name under the trust rules; nullopt (with a note) when it is refused.
    std::optional<TJournal> read(const std::string& name) {
        // Without blocking: a FIFO planted under the name must not hang the run.
        int descriptor = openat(folder_, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (descriptor < 0) {
            refuse(name, errno == ELOOP ? tr("é um link simbólico") : std::strerror(errno));
            return std::nullopt;
        }
        struct stat status {};
        std::string text;
        const char* reason = nullptr;
        if (fstat(descriptor, &status) != 0) {
            reason = std::strerror(errno);
        } else if (!S_ISREG(status.st_mode)) {
            reason = tr("não é um arquivo comum");
        } else if (status.st_uid != geteuid() && status.st_uid != 0) {
            // Anyone may write into a shared folder; only the user's own runs write its journals.
            reason = tr("pertence a outro usuário");
        } else if (static_cast<std::uint64_t>(status.st_size) > kJournalMaxBytes) {
            reason = tr("é grande demais para um diário");
        } else {
            text.resize(static_cast<std::size_t>(status.st_size) + 1);
            std::size_t length = 0;
            ssize_t got = 0;
            while (length < text.size() && (got = ::read(descriptor, text.data() + length, text.size() - length)) != 0) {
                if (got < 0 && errno == EINTR) continue;
                if (got < 0) break;
                length += static_cast<std::size_t>(got);
            }
            if (got < 0) reason = std::strerror(errno);
            text.resize(length);
        }
        close(descriptor);
        std::optional<TJournal> journal;
        if (reason == nullptr && !(journal = parseJournal(text))) reason = tr("não é um diário bem formado");
        if (reason != nullptr) refuse(name, reason);
        return journal;
    }

    // Rolls the commit forward or back; true when every step it needed was taken.
    bool apply(const TJournal& journal) {
        bool whole = true;
        for (auto entry = journal.entries.rbegin(); entry != journal.entries.rend(); ++entry) {
            whole = (journal.committed ? rollForward(*entry) : rollBack(*entry)) && whole;
        }
        return sync() && whole;
    }

    bool sync() {
        if (int error = fault(hook_, "sync")) return note(folderName_, error), false;
        // A file system that cannot sync a folder (EINVAL) keeps its own promises.
        if (fsync(folder_) != 0 && errno != EINVAL) return note(folderName_, errno), false;
        return true;
    }

    bool remove(const std::string& name) {
        int error = fault(hook_, "unlink");
        if (error == 0 && (unlinkat(folder_, name.c_str(), 0) == 0 || errno == ENOENT)) return true;
        note(name, error != 0 ? error : errno);
        return false;
    }

private:
    // Every new file had its name: only the backups are left to remove.
    bool rollForward(const TJournalEntry& entry) {
        std::uint64_t final = entryInode(folder_, entry.final);
        if (entry.earlierInode == 0 || entryInode(folder_, entry.backup) != entry.earlierInode) return true;
        if (final != entry.newInode) return keep(entry);
        return remove(entry.backup);
    }

    // Every name back to its earlier file; a new file goes only where the journal says it is one.
    bool rollBack(const TJournalEntry& entry) {
        bool whole = true;
        if (entryInode(folder_, entry.temporary) == entry.newInode) whole = remove(entry.temporary);
        std::uint64_t final = entryInode(folder_, entry.final);
        bool backupHoldsEarlier = entry.earlierInode != 0 && entryInode(folder_, entry.backup) == entry.earlierInode;
        if (final == entry.newInode) {
            if (backupHoldsEarlier) return restore(entry) && whole;
            // No earlier file stood there: the new one goes. Where one stood but its backup
            // is not found, the new file is the only copy left of anything: it stays.
            if (entry.earlierInode == 0) return remove(entry.final) && whole;
            return keep(entry) && whole;
        }
        if (!backupHoldsEarlier) return whole;
        // The backup is a second link to the file the name still holds, or the earlier file
        // moved aside from a name that is empty now.
        if (final == entry.earlierInode) return remove(entry.backup) && whole;
        if (final == 0) return restore(entry) && whole;
        return keep(entry) && whole;
    }

    bool restore(const TJournalEntry& entry) {
        int error = fault(hook_, "restore");
        if (error == 0 && renameat(folder_, entry.backup.c_str(), folder_, entry.final.c_str()) == 0) return true;
        recovery_.notes.push_back(textf(tr(kRestoreFailed), path(entry.final).c_str(), path(entry.backup).c_str()) +
                                  ": " + std::strerror(error != 0 ? error : errno));
        return false;
    }

    bool keep(const TJournalEntry& entry) {
        recovery_.notes.push_back(textf(tr(kNotKept), path(entry.final).c_str(), path(entry.backup).c_str()));
        return false;
    }

    void refuse(const std::string& name, const char* reason) {
        recovery_.notes.push_back(textf(tr(kJournalLeftAsItIs), path(name).c_str(), reason));
    }

    void note(const std::string& name, int error) {
        recovery_.notes.push_back(textf(tr(kNotRemoved), path(name).c_str(), std::strerror(error)));
    }

    std::string path(const std::string& name) const {
        return name == folderName_ ? name : folderName_ + (folderName_.back() == '/' ? "" : "/") + name;
    }

    int folder_;
    const std::string& folderName_;
    TFaultHook hook_;
    TRecovery& recovery_;
};

}  // namespace

bool isPlainName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos &&
           name.size() <= NAME_MAX;
}

std::string journalText(const TJournal& journal) {
    std::string text(kHeader);
    text += kStateLabel;
    text += journal.committed ? 'C' : 'U';
    text += '\n';
    for (const TJournalEntry& entry : journal.entries) {
        for (const std::string& field : {entry.final, entry.backup, entry.temporary, std::to_string(entry.newInode),
                                         std::to_string(entry.earlierInode)}) {
            text += field;
            text += '\0';
        }
    }
    text += kEnd;
    return text;
}

std::size_t journalStateOffset() {
    return kHeader.size() + kStateLabel.size();
}

std::optional<TJournal> parseJournal(std::string_view text) {
    std::size_t at = journalStateOffset();
    if (text.substr(0, kHeader.size()) != kHeader || text.substr(kHeader.size(), kStateLabel.size()) != kStateLabel ||
        text.size() < at + 2 || text[at + 1] != '\n' || (text[at] != 'U' && text[at] != 'C'))
        return std::nullopt;
    TJournal journal;
    journal.committed = text[at] == 'C';
    at += 2;
    while (text.substr(at) != kEnd) {
        std::string_view fields[5];
        for (std::string_view& field : fields) {
            std::size_t end = text.find('\0', at);
            if (end == std::string_view::npos) return std::nullopt;
            field = text.substr(at, end - at);
            at = end + 1;
        }
        TJournalEntry entry{std::string(fields[0]), std::string(fields[1]), std::string(fields[2])};
        std::optional<std::uint64_t> newInode = inodeOf(fields[3]);
        std::optional<std::uint64_t> earlierInode = inodeOf(fields[4]);
        // Names of the folder the journal lies in, and side names only where the commit puts
        // them: a journal can touch nothing else.
        bool plain = isPlainName(entry.final) && isPlainName(entry.backup) && isPlainName(entry.temporary) &&
                     entry.backup.find(".gerador~old") != std::string::npos &&
                     entry.temporary.find(".gerador~tmp") != std::string::npos;
        if (!plain || !newInode || *newInode == 0 || !earlierInode) return std::nullopt;
        entry.newInode = *newInode;
        entry.earlierInode = *earlierInode;
        journal.entries.push_back(std::move(entry));
    }
    return journal;
}

TRecovery recoverFolder(int folder, const std::string& folderName, TFaultHook hook) {
    TRecovery recovery;
    std::vector<std::string> journals;
    int listed = fcntl(folder, F_DUPFD_CLOEXEC, 0);
    DIR* listing = listed >= 0 ? fdopendir(listed) : nullptr;
    if (listing == nullptr) {
        if (listed >= 0) close(listed);
        return recovery;
    }
    rewinddir(listing);
    while (dirent* entry = readdir(listing)) {
        if (std::string_view(entry->d_name).substr(0, kJournalPrefix.size()) == kJournalPrefix) {
            journals.emplace_back(entry->d_name);
        }
    }
    closedir(listing);
    TFolderRecovery steps(folder, folderName, hook, recovery);
    for (const std::string& name : journals) {
        std::optional<TJournal> journal = steps.read(name);
        // A journal whose steps did not all succeed stays, for the next run to try again.
        if (!journal || !steps.apply(*journal)) continue;
        if (!steps.remove(name) || !steps.sync()) continue;
        ++(journal->committed ? recovery.rolledForward : recovery.rolledBack);
    }
    return recovery;
}

}  // namespace gerador
