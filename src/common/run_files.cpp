#include "common/run_files.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <map>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

#include "common/commit_journal.h"
#include "common/exceptions.h"
#include "common/messages.h"

namespace gerador {

namespace {

// The commit's messages: a failure that replaced nothing (the file or folder, the reason),
// and a file left behind (its name; the reason follows).
constexpr const char* kLockFailed =
    N_("não foi possível travar a pasta \"%s\": %s; nenhum arquivo anterior foi substituído");
constexpr const char* kJournalFailed =
    N_("não foi possível gravar o diário da gravação \"%s\": %s; nenhum arquivo anterior foi substituído");
constexpr const char* kRenameFailed =
    N_("não foi possível dar o nome final ao arquivo \"%s\": %s; nenhum arquivo anterior foi substituído");
constexpr const char* kFolderSyncFailed =
    N_("não foi possível gravar no disco a pasta \"%s\": %s; nenhum arquivo anterior foi substituído");
constexpr const char* kBackupFailed =
    N_("não foi possível guardar o arquivo anterior \"%s\": %s; nenhum arquivo anterior foi substituído");
constexpr const char* kRestoreFailed =
    N_("não foi possível pôr o arquivo anterior de volta em \"%s\"; ele está em \"%s\"");
constexpr const char* kNewFileLeft = N_("não foi possível remover o arquivo novo, de uma execução que falhou, \"%s\"");
constexpr const char* kBackupLeft = N_("não foi possível remover a cópia do arquivo anterior \"%s\"");
constexpr const char* kJournalLeft = N_("não foi possível remover o diário da gravação \"%s\"");

// sentence: a catalog's format with the name and the reason.
[[noreturn]] void failOn(const std::string& name, const char* sentence, int error) {
    throw EFileError(textf(tr(sentence), name.c_str(), std::strerror(error)));
}

std::string folderOf(const std::string& path) {
    std::size_t slash = path.find_last_of('/');
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string leafOf(const std::string& path) {
    return path.substr(path.find_last_of('/') + 1);
}

std::string inFolder(const std::string& folder, const std::string& name) {
    return folder + (folder.back() == '/' ? "" : "/") + name;
}

// An exclusive lock on each folder the run renames into, taken in one order (device,
// inode) so that two runs never wait on each other in a circle. The folder itself is
// locked, so no lock file is left behind. Every step of the commit goes through these
// descriptors, so it acts on the folder locked, wherever that folder is moved meanwhile.
class TFolderLocks {
public:
    struct TFolder {
        dev_t device;
        ino_t inode;
        int descriptor;
        std::string name;
    };

    explicit TFolderLocks(const std::vector<std::string>& folders) {
        std::vector<TFolder> opened;
        auto closeOpened = [&opened] {
            for (const TFolder& folder : opened) close(folder.descriptor);
        };
        for (const std::string& folder : folders) {
            int descriptor = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            struct stat status {};
            if (descriptor < 0 || fstat(descriptor, &status) != 0) {
                int error = errno;
                if (descriptor >= 0) close(descriptor);
                closeOpened();
                // Unlocked, two runs could mix their files: no commit without the lock.
                failOn(folder, kLockFailed, error);
            }
            opened.push_back({status.st_dev, status.st_ino, descriptor, folder});
        }
        std::sort(opened.begin(), opened.end(), [](const TFolder& first, const TFolder& second) {
            return std::tie(first.device, first.inode) < std::tie(second.device, second.inode);
        });
        for (std::size_t index = 0; index < opened.size(); ++index) {
            bool repeated = index > 0 && opened[index].device == opened[index - 1].device &&
                            opened[index].inode == opened[index - 1].inode;
            if (repeated) {
                close(opened[index].descriptor);
                byName_[opened[index].name] = locked_.size() - 1;
                continue;
            }
            int locked = 0;
            while ((locked = flock(opened[index].descriptor, LOCK_EX)) != 0 && errno == EINTR) {
            }
            if (locked != 0) {
                // ENOLCK on network and FUSE file systems: fail, naming the folder.
                int error = errno;
                for (std::size_t rest = index; rest < opened.size(); ++rest) close(opened[rest].descriptor);
                for (const TFolder& folder : locked_) close(folder.descriptor);
                locked_.clear();
                failOn(opened[index].name, kLockFailed, error);
            }
            byName_[opened[index].name] = locked_.size();
            locked_.push_back(opened[index]);
        }
    }
    ~TFolderLocks() {
        for (const TFolder& folder : locked_) close(folder.descriptor);  // closing releases the lock
    }
    TFolderLocks(const TFolderLocks&) = delete;
    TFolderLocks& operator=(const TFolderLocks&) = delete;

    // The locked folders, one each.
    const std::vector<TFolder>& folders() const { return locked_; }
    // Which of them a folder name of the run is.
    std::size_t indexOf(const std::string& name) const { return byName_.at(name); }

private:
    std::vector<TFolder> locked_;
    std::map<std::string, std::size_t> byName_;  // folder name, index into locked_
};

// One file's part of the commit, kept so that it can be undone.
struct TStep {
    TOutputFile* file;
    std::size_t folder;  // index into the locks' folders
    TJournalEntry entry;
    bool backupKept = false;   // the earlier file has its backup name too
    bool backupMoved = false;  // kept by a rename, not a hard link: the name is empty meanwhile
    bool renamed = false;
};

// A folder's journal, open until the commit is done so that its mark can be written.
struct TOpenJournal {
    std::size_t folder;
    std::string name;
    int descriptor = -1;
    TJournal journal;
};

// The steps of one commit through the locked folders' descriptors: each told to the
// environment's observer first, each failure the fault hook asks for.
class TCommitSteps {
public:
    TCommitSteps(const TRunEnvironment& environment, const TFolderLocks& locks)
        : environment_(environment), locks_(locks) {}

    int descriptor(std::size_t folder) const { return locks_.folders()[folder].descriptor; }
    const std::string& name(std::size_t folder) const { return locks_.folders()[folder].name; }

    void observe(TCommitStep::TKind kind, std::size_t folder, const std::string& name, const std::string& target = "",
                 const std::string& bytes = "") const {
        if (environment_.commitObserver) environment_.commitObserver({kind, this->name(folder), name, target, bytes});
    }

    int link(std::size_t folder, const std::string& from, const std::string& to) const {
        if (int fault = environment_.injectedFault("link")) return fault;
        observe(TCommitStep::TKind::link, folder, from, to);
        return linkat(descriptor(folder), from.c_str(), descriptor(folder), to.c_str(), 0) == 0 ? 0 : errno;
    }

    // operation: the fault hook's name for it ("rename", "move", "restore").
    int rename(const char* operation, std::size_t folder, const std::string& from, const std::string& to) const {
        if (int fault = environment_.injectedFault(operation)) return fault;
        observe(TCommitStep::TKind::rename, folder, from, to);
        return renameat(descriptor(folder), from.c_str(), descriptor(folder), to.c_str()) == 0 ? 0 : errno;
    }

    // Removes name, or notes it as left behind with sentence; true when it is gone.
    bool remove(std::size_t folder, const std::string& name, const char* sentence) const {
        observe(TCommitStep::TKind::unlink, folder, name);
        return removeAtOrNote(descriptor(folder), name, sentence, environment_.faultHook,
                              inFolder(this->name(folder), name));
    }

    // Puts every folder's entries on the disk, as databases do after a rename. Throws
    // EFileError naming the folder that failed.
    void sync() const {
        for (std::size_t folder = 0; folder < locks_.folders().size(); ++folder) {
            observe(TCommitStep::TKind::sync, folder, "");
            int error = environment_.injectedFault("sync");
            // A file system that cannot sync a folder (EINVAL) keeps its own promises.
            if (error == 0 && fsync(descriptor(folder)) != 0 && errno != EINVAL) error = errno;
            if (error != 0) failOn(name(folder), kFolderSyncFailed, error);
        }
    }

    // Creates and syncs the journal of folder. Throws EFileError.
    TOpenJournal createJournal(std::size_t folder, TJournal journal) const {
        TOpenJournal open{folder, leafOf(siblingName("commit", "journal")), -1, std::move(journal)};
        std::string text = journalText(open.journal);
        observe(TCommitStep::TKind::createJournal, folder, open.name, "", text);
        open.descriptor = openat(descriptor(folder), open.name.c_str(),
                                 O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        bool written = open.descriptor >= 0 && writeAll(open.descriptor, text) && fsync(open.descriptor) == 0;
        if (!written) {
            int error = errno;
            if (open.descriptor >= 0) {
                close(open.descriptor);
                unlinkat(descriptor(folder), open.name.c_str(), 0);
            }
            failOn(inFolder(name(folder), open.name), kJournalFailed, error);
        }
        return open;
    }

    // Overwrites the journal's state byte and syncs it; the errno value of a failure, or 0.
    int mark(TOpenJournal& journal, bool committed) const {
        observe(TCommitStep::TKind::markCommitted, journal.folder, journal.name, "", committed ? "C" : "U");
        char state = committed ? 'C' : 'U';
        if (pwrite(journal.descriptor, &state, 1, static_cast<off_t>(journalStateOffset())) != 1) return errno;
        observe(TCommitStep::TKind::sync, journal.folder, journal.name);
        return fsync(journal.descriptor) == 0 ? 0 : errno;
    }

    // Closes and removes the journals; false when one stays behind.
    bool removeJournals(std::vector<TOpenJournal>& journals, const std::vector<bool>& keep) const {
        bool removed = true;
        for (TOpenJournal& journal : journals) {
            if (journal.descriptor >= 0) close(journal.descriptor);
            journal.descriptor = -1;
            if (!keep[journal.folder]) removed = remove(journal.folder, journal.name, kJournalLeft) && removed;
        }
        return removed;
    }

private:
    static bool writeAll(int descriptor, const std::string& text) {
        for (std::size_t done = 0; done < text.size();) {
            ssize_t wrote = write(descriptor, text.data() + done, text.size() - done);
            if (wrote < 0 && errno == EINTR) continue;
            if (wrote <= 0) return false;
            done += static_cast<std::size_t>(wrote);
        }
        return true;
    }

    const TRunEnvironment& environment_;
    const TFolderLocks& locks_;
};

// Puts every earlier file back under its name and removes the new ones, each only where
// the name holds the file the commit put there.
void rollBack(const TCommitSteps& commit, std::vector<TStep>& steps) {
    for (auto step = steps.rbegin(); step != steps.rend(); ++step) {
        const std::string shown = inFolder(commit.name(step->folder), step->entry.final);
        const std::string& final = step->entry.final;
        const std::string& backup = step->entry.backup;
        if (step->renamed) {
            if (!step->backupKept) {
                commit.remove(step->folder, final, kNewFileLeft);
            } else if (int error = commit.rename("restore", step->folder, backup, final)) {
                // The earlier file is not lost: it waits under the backup name, which the user is told.
                commit.remove(step->folder, final, kNewFileLeft);
                noteLeftover(textf(tr(kRestoreFailed), shown.c_str(), inFolder(commit.name(step->folder), backup).c_str()),
                             error);
            }
        } else if (step->backupMoved) {
            if (int error = commit.rename("restore", step->folder, backup, final)) {
                noteLeftover(textf(tr(kRestoreFailed), shown.c_str(), inFolder(commit.name(step->folder), backup).c_str()),
                             error);
            }
        } else if (step->backupKept) {
            commit.remove(step->folder, backup, kBackupLeft);
        }
    }
}

// Finishes or undoes the commits of dead runs in the locked folders, and says so.
void recoverInterruptedCommits(const TFolderLocks& locks, const TRunEnvironment& environment) {
    TRecovery total;
    for (const TFolderLocks::TFolder& folder : locks.folders()) {
        TRecovery recovery = recoverFolder(folder.descriptor, folder.name, environment.faultHook);
        total.rolledBack += recovery.rolledBack;
        total.rolledForward += recovery.rolledForward;
        total.notes.insert(total.notes.end(), recovery.notes.begin(), recovery.notes.end());
    }
    TConsole& console = *environment.console;
    if (total.rolledBack > 0) {
        console.message(warningText(
            textf(trn("%d gravação interrompida (SIGKILL ou queda de energia) foi desfeita: os arquivos anteriores "
                      "voltaram aos seus nomes.",
                      "%d gravações interrompidas (SIGKILL ou queda de energia) foram desfeitas: os arquivos "
                      "anteriores voltaram aos seus nomes.",
                      static_cast<unsigned long>(total.rolledBack)),
                  total.rolledBack)));
    }
    if (total.rolledForward > 0) {
        console.message(warningText(
            textf(trn("%d gravação interrompida depois de completa foi concluída: os arquivos novos ficam.",
                      "%d gravações interrompidas depois de completas foram concluídas: os arquivos novos ficam.",
                      static_cast<unsigned long>(total.rolledForward)),
                  total.rolledForward)));
    }
    for (const std::string& note : total.notes) console.message(warningText(note));
}

// The process number in a temporary file's name (NAME.gerador~tmpPID-N-R); 0: not one.
pid_t temporaryFileProcess(const std::string& name) {
    std::size_t at = name.rfind(".gerador~tmp");
    if (at == std::string::npos) return 0;
    at += std::strlen(".gerador~tmp");
    pid_t process = 0;
    auto [end, error] = std::from_chars(name.data() + at, name.data() + name.size(), process);
    return error == std::errc() && end != name.data() + name.size() && *end == '-' ? process : 0;
}

}  // namespace

int syncNewFolder(const std::string& folder) {
    std::string trimmed = folder;
    while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
    std::size_t slash = trimmed.find_last_of('/');
    std::string parent = slash == std::string::npos ? "." : slash == 0 ? "/" : trimmed.substr(0, slash);
    int descriptor = open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) return errno;
    // A file system that cannot sync a folder (EINVAL) keeps its own promises.
    int error = fsync(descriptor) == 0 || errno == EINVAL ? 0 : errno;
    close(descriptor);
    return error;
}

void finishInterruptedCommits(const std::string& folder, const TRunEnvironment& environment) {
    struct stat status {};
    if (stat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) return;
    TFolderLocks locks({folder});
    recoverInterruptedCommits(locks, environment);
    int descriptor = locks.folders().front().descriptor;
    int listed = fcntl(descriptor, F_DUPFD_CLOEXEC, 0);
    DIR* listing = listed >= 0 ? fdopendir(listed) : nullptr;
    if (listing == nullptr) {
        if (listed >= 0) close(listed);
        return;
    }
    // The descriptor's offset is shared with the listing recovery made.
    rewinddir(listing);
    std::vector<std::string> stale;
    while (dirent* entry = readdir(listing)) {
        pid_t process = temporaryFileProcess(entry->d_name);
        // A living process may still be writing it; ESRCH alone says nobody is.
        if (process <= 0 || kill(process, 0) == 0 || errno != ESRCH) continue;
        struct stat file {};
        if (fstatat(descriptor, entry->d_name, &file, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(file.st_mode) &&
            file.st_uid == geteuid())
            stale.emplace_back(entry->d_name);
    }
    closedir(listing);
    for (const std::string& name : stale) {
        removeAtOrNote(descriptor, name, N_("não foi possível remover o arquivo temporário \"%s\""),
                       environment.faultHook, inFolder(folder, name));
    }
}

TRunFiles::~TRunFiles() = default;

TOutputFile& TRunFiles::create(const std::string& name, std::size_t bufferBytes, TOutputFile::TWriting writing) {
    files_.push_back(std::make_unique<TOutputFile>(name, bufferBytes, writing, hashing_, *environment_));
    return *files_.back();
}

std::uint64_t TRunFiles::bytesSoFar() const {
    std::uint64_t bytes = 0;
    for (const auto& file : files_) bytes += file->size();
    return bytes;
}

bool TRunFiles::canRewind(const std::string& name) const {
    return !hashing_ && !isGzipName(name) && resolveOutput(name, environment_->baseFolder).seekable;
}

void TRunFiles::commit() {
    for (const auto& file : files_) file->finish();
    std::vector<TOutputFile*> replaced;
    std::vector<std::string> folderNames;
    for (const auto& file : files_) {
        if (file->isDirect()) continue;
        replaced.push_back(file.get());
        folderNames.push_back(folderOf(file->target().path));
    }
    environment_->injectedFault("lock");
    TFolderLocks locks(folderNames);
    // A run that died in the middle of its commit here is finished or undone first, so that
    // every name holds the earlier file or the new one, all of a piece.
    recoverInterruptedCommits(locks, *environment_);
    TSignalHold hold;
    TCommitSteps commit(*environment_, locks);
    std::vector<TStep> steps;
    steps.reserve(replaced.size());
    // Every name is checked before the first step: the temporary file must be in the folder
    // locked (not in one moved away meanwhile), the final name must not be a folder.
    for (std::size_t index = 0; index < replaced.size(); ++index) {
        TOutputFile* file = replaced[index];
        TStep& step = steps.emplace_back();
        step.file = file;
        step.folder = locks.indexOf(folderNames[index]);
        step.entry.final = leafOf(file->target().path);
        step.entry.temporary = leafOf(file->temporaryPath());
        step.entry.backup = leafOf(siblingName(step.entry.final, "old"));
        step.entry.newInode = file->temporaryInode();
        int folder = commit.descriptor(step.folder);
        struct stat status {};
        if (fstatat(folder, step.entry.temporary.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0 ||
            status.st_ino != file->temporaryInode()) {
            failOn(file->fileName(), kRenameFailed, ENOENT);
        }
        if (fstatat(folder, step.entry.final.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0) {
            if (S_ISDIR(status.st_mode)) failOn(file->fileName(), kRenameFailed, EISDIR);
            step.entry.earlierInode = status.st_ino;
        }
    }
    // A journal in each folder for the files of that folder: whichever folder the next run
    // writes into, it finds the part of this commit that concerns it.
    std::vector<TOpenJournal> journals;
    std::vector<bool> keepJournal(locks.folders().size(), false);
    try {
        for (std::size_t folder = 0; folder < locks.folders().size(); ++folder) {
            TJournal journal;
            for (const TStep& step : steps)
                if (step.folder == folder) journal.entries.push_back(step.entry);
            journals.push_back(commit.createJournal(folder, std::move(journal)));
        }
        commit.sync();
    } catch (...) {
        commit.removeJournals(journals, keepJournal);
        throw;
    }
    try {
        // Every earlier file gets its backup name, on the disk, before any name takes a new
        // file: a file system may keep later steps and lose earlier ones, and no order it
        // picks may leave an earlier file without a name.
        bool linked = false;
        for (TStep& step : steps) {
            if (step.entry.earlierInode == 0) continue;
            if (commit.link(step.folder, step.entry.final, step.entry.backup) != 0) {
                // A file system without hard links: the earlier file is moved aside instead.
                if (int error = commit.rename("move", step.folder, step.entry.final, step.entry.backup)) {
                    failOn(step.file->fileName(), kBackupFailed, error);
                }
                step.backupMoved = true;
            }
            step.backupKept = true;
            linked = true;
        }
        if (linked) commit.sync();
        for (TStep& step : steps) {
            if (int error = commit.rename("rename", step.folder, step.entry.temporary, step.entry.final)) {
                failOn(step.file->fileName(), kRenameFailed, error);
            }
            step.renamed = true;
        }
        if (hold.signalWaiting()) throw EFileError(tr("a execução foi interrompida por um sinal"));
        commit.sync();
        // The commit point: from here a recovery finishes the commit instead of undoing it.
        for (TOpenJournal& journal : journals) {
            if (int error = commit.mark(journal, true)) {
                for (TOpenJournal& marked : journals) commit.mark(marked, false);
                failOn(inFolder(commit.name(journal.folder), journal.name), kJournalFailed, error);
            }
        }
    } catch (...) {
        rollBack(commit, steps);
        try {
            commit.sync();
        } catch (const EFileError&) {
            // The failure that started the roll-back is the one to tell.
        }
        commit.removeJournals(journals, keepJournal);
        throw;
    }
    for (TStep& step : steps) {
        step.file->markCommitted();
        // A backup that stays keeps its journal, so that the next run removes it.
        if (step.backupKept && !commit.remove(step.folder, step.entry.backup, kBackupLeft)) keepJournal[step.folder] = true;
    }
    // The clean-up is synced too, so that no journal outlives a backup it names on the disk,
    // but its failure fails nothing: every file has its name.
    auto syncQuietly = [&commit] {
        try {
            commit.sync();
        } catch (const EFileError& error) {
            noteLeftover(error.what(), 0);
        }
    };
    syncQuietly();
    commit.removeJournals(journals, keepJournal);
    syncQuietly();
    environment_->injectedFault("committed");
    // A signal from here on came too late to stop anything: the files are complete. It is
    // taken, so that it does not end the process as if the run had failed.
    lateSignal_ = hold.takeWaiting();
}

std::vector<TWrittenFile> TRunFiles::written() {
    std::vector<TWrittenFile> files;
    for (const auto& file : files_) {
        file->finish();
        files.push_back({file->fileName(), file->fileBytes(), file->fileDigest(), file->compressed(), file->size(),
                         file->contentDigest()});
    }
    return files;
}

}  // namespace gerador
