#include "common/run_files.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <iterator>
#include <map>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

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
constexpr const char* kInterruptedFileLeft =
    N_("não foi possível remover o arquivo novo, de uma gravação interrompida, \"%s\"");
constexpr const char* kBackupLeft = N_("não foi possível remover a cópia do arquivo anterior \"%s\"");
constexpr const char* kTemporaryLeft = N_("não foi possível remover o arquivo temporário \"%s\"");
constexpr const char* kInterruptedJournalLeft =
    N_("não foi possível remover o diário de uma gravação interrompida \"%s\"");
constexpr const char* kJournalLeft = N_("não foi possível remover o diário da gravação \"%s\"");

// sentence: a catalog's format with the name and the reason.
[[noreturn]] void failOn(const std::string& name, const char* sentence, int error) {
    throw EFileError(textf(tr(sentence), name.c_str(), std::strerror(error)));
}

std::string folderOf(const std::string& path) {
    std::size_t slash = path.find_last_of('/');
    return slash == 0 ? "/" : path.substr(0, slash);
}

// An exclusive lock on each folder the run renames into, taken in one order (device,
// inode) so that two runs never wait on each other in a circle. The folder itself is
// locked, so no lock file is left behind.
class TFolderLocks {
public:
    explicit TFolderLocks(const std::vector<std::string>& folders) {
        struct TFolder {
            dev_t device;
            ino_t inode;
            int descriptor;
            std::string name;
        };
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
                byName_[opened[index].name] = descriptors_.back();
                continue;
            }
            int locked = 0;
            while ((locked = flock(opened[index].descriptor, LOCK_EX)) != 0 && errno == EINTR) {
            }
            if (locked != 0) {
                // ENOLCK on network and FUSE file systems: fail, naming the folder.
                int error = errno;
                for (std::size_t rest = index; rest < opened.size(); ++rest) close(opened[rest].descriptor);
                for (int descriptor : descriptors_) close(descriptor);
                descriptors_.clear();
                failOn(opened[index].name, kLockFailed, error);
            }
            descriptors_.push_back(opened[index].descriptor);
            byName_[opened[index].name] = opened[index].descriptor;
        }
    }
    // The name of the file path in a locked folder through that folder's descriptor
    // (/proc/self/fd/N/NAME), so that it reaches the file though the folder was moved
    // meanwhile; path itself without /proc.
    std::string throughFolder(const std::string& path) const {
        auto found = byName_.find(folderOf(path));
        if (found == byName_.end()) return path;
        std::string folder = "/proc/self/fd/" + std::to_string(found->second);
        if (access(folder.c_str(), F_OK) != 0) return path;
        return folder + path.substr(path.find_last_of('/'));
    }
    // Puts the folders' new entries on the disk, as databases do after a rename. Returns
    // the errno value of a failure, or 0.
    int sync() const {
        for (int descriptor : descriptors_) {
            // A file system that cannot sync a folder (EINVAL) keeps its own promises.
            if (fsync(descriptor) != 0 && errno != EINVAL) return errno;
        }
        return 0;
    }
    ~TFolderLocks() {
        for (int descriptor : descriptors_) close(descriptor);  // closing releases the lock
    }
    TFolderLocks(const TFolderLocks&) = delete;
    TFolderLocks& operator=(const TFolderLocks&) = delete;

private:
    std::vector<int> descriptors_;
    std::map<std::string, int> byName_;  // folder, its descriptor
};

// One file's part of the commit, kept so that it can be undone.
struct TStep {
    TOutputFile* file;
    std::string backup;  // where the earlier file of the name is kept; empty: there was none
    bool backupMoved = false;  // kept by a rename, not a hard link: the name is empty meanwhile
    bool renamed = false;
};

int renameFault(const TRunEnvironment& environment, const char* operation, const std::string& from,
                const std::string& to) {
    if (int fault = environment.injectedFault(operation)) return fault;
    return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

// Puts every earlier file back under its name and removes the new ones.
void rollBack(const TRunEnvironment& environment, std::vector<TStep>& steps) {
    TFaultHook hook = environment.faultHook;
    for (auto step = steps.rbegin(); step != steps.rend(); ++step) {
        const std::string& path = step->file->target().path;
        if (step->renamed) {
            if (step->backup.empty()) {
                removeOrNote(path, kNewFileLeft, hook);
            } else if (int error = renameFault(environment, "restore", step->backup, path)) {
                // The earlier file is not lost: it waits under the backup name, which the user is told.
                removeOrNote(path, kNewFileLeft, hook);
                noteLeftover(textf(tr(kRestoreFailed), path.c_str(), step->backup.c_str()), error);
            }
        } else if (step->backupMoved) {
            if (int error = renameFault(environment, "restore", step->backup, path)) {
                noteLeftover(textf(tr(kRestoreFailed), path.c_str(), step->backup.c_str()), error);
            }
        } else if (!step->backup.empty()) {
            removeOrNote(step->backup, kBackupLeft, hook);
        }
    }
}

// The commit's journal: every file's final name, the name its earlier file is kept under,
// and its temporary name, written and synced before the first rename and removed after the
// last backup. A journal found in a folder a run has locked belongs to a run that died in
// its commit (SIGKILL, a power loss), since a living one would hold that lock.
constexpr const char* kJournalKind = "journal";
constexpr const char* kJournalHeader = "gerador commit journal 1\n";

struct TJournalEntry {
    std::string final;
    std::string backup;
    std::string temporary;
};

// Writes the journal in folder; returns its path. Throws EFileError.
std::string writeJournal(const std::string& folder, const std::vector<TJournalEntry>& entries) {
    std::string path = siblingName(folder + "/commit", kJournalKind);
    std::string text = kJournalHeader;
    for (const TJournalEntry& entry : entries) {
        // Names may hold any byte but NUL.
        for (const std::string* name : {&entry.final, &entry.backup, &entry.temporary}) {
            text += *name;
            text += '\0';
        }
    }
    int descriptor = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    bool written = descriptor >= 0 &&
                   write(descriptor, text.data(), text.size()) == static_cast<ssize_t>(text.size()) &&
                   fsync(descriptor) == 0;
    int error = errno;
    if (descriptor >= 0) close(descriptor);
    if (!written) {
        unlink(path.c_str());
        failOn(path, kJournalFailed, error);
    }
    return path;
}

// Undoes the commit a journal describes: every earlier file back under its name, every new
// one gone. Returns false when the journal cannot be read.
bool rollBackJournal(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (text.rfind(kJournalHeader, 0) != 0) return false;
    std::vector<std::string> names;
    for (std::size_t at = std::strlen(kJournalHeader); at < text.size();) {
        std::size_t end = text.find('\0', at);
        if (end == std::string::npos) return false;
        names.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    if (names.size() % 3 != 0) return false;
    for (std::size_t entry = names.size(); entry >= 3; entry -= 3) {
        const std::string& final = names[entry - 3];
        const std::string& backup = names[entry - 2];
        const std::string& temporary = names[entry - 1];
        struct stat status {};
        struct stat current {};
        if (lstat(backup.c_str(), &status) == 0 && lstat(final.c_str(), &current) == 0 &&
            status.st_dev == current.st_dev && status.st_ino == current.st_ino) {
            // The earlier file was never replaced: its backup is a second link to it, which a
            // rename would leave in place.
            removeOrNote(backup, kBackupLeft);
        } else if (lstat(backup.c_str(), &status) == 0) {
            if (std::rename(backup.c_str(), final.c_str()) != 0) {
                noteLeftover(textf(tr(kRestoreFailed), final.c_str(), backup.c_str()), errno);
            }
        } else if (lstat(temporary.c_str(), &status) != 0) {
            // Its temporary file already took the final name, where no earlier file stood.
            removeOrNote(final, kInterruptedFileLeft);
        }
        if (lstat(temporary.c_str(), &status) == 0) removeOrNote(temporary, kTemporaryLeft);
    }
    return true;
}

// Rolls back every journal a dead run left in folders (locked by this run). Returns how many.
int recoverInterruptedCommits(const std::vector<std::string>& folders) {
    int recovered = 0;
    std::vector<std::string> seen;
    for (const std::string& folder : folders) {
        if (std::find(seen.begin(), seen.end(), folder) != seen.end()) continue;
        seen.push_back(folder);
        DIR* listing = opendir(folder.c_str());
        if (listing == nullptr) continue;
        std::vector<std::string> journals;
        while (dirent* entry = readdir(listing)) {
            if (std::strstr(entry->d_name, ".gerador~journal") != nullptr) {
                journals.push_back(folder + "/" + entry->d_name);
            }
        }
        closedir(listing);
        for (const std::string& journal : journals) {
            if (!rollBackJournal(journal)) continue;
            removeOrNote(journal, kInterruptedJournalLeft);
            ++recovered;
        }
    }
    return recovered;
}

}  // namespace

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
    std::vector<std::string> folders;
    for (const auto& file : files_) {
        if (file->isDirect()) continue;
        replaced.push_back(file.get());
        folders.push_back(folderOf(file->target().path));
    }
    TFolderLocks locks(folders);
    // A run that died in the middle of its commit here is undone first, so that every name
    // holds the earlier file or the new one, all of a piece.
    if (int recovered = recoverInterruptedCommits(folders)) {
        environment_->console->message(warningText(
            textf(trn("%d gravação interrompida (SIGKILL ou queda de energia) foi desfeita: os arquivos anteriores "
                      "voltaram aos seus nomes.",
                      "%d gravações interrompidas (SIGKILL ou queda de energia) foram desfeitas: os arquivos "
                      "anteriores voltaram aos seus nomes.",
                      static_cast<unsigned long>(recovered)),
                  recovered)));
    }
    TSignalHold hold;
    // Every final name is checked before the first rename.
    for (TOutputFile* file : replaced) {
        struct stat status {};
        if (stat(file->target().path.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) {
            failOn(file->fileName(), kRenameFailed, EISDIR);
        }
    }
    std::vector<TStep> steps;
    steps.reserve(replaced.size());
    // Backup names are chosen before the journal is written, so that it names them.
    // A journal in each folder for the files of that folder: whichever folder the next run
    // writes into, it finds the part of this commit that concerns it.
    std::vector<std::string> backups;
    std::map<std::string, std::vector<TJournalEntry>> entriesByFolder;
    for (std::size_t index = 0; index < replaced.size(); ++index) {
        const std::string& path = replaced[index]->target().path;
        backups.push_back(siblingName(path, "old"));
        entriesByFolder[folders[index]].push_back({path, backups.back(), replaced[index]->temporaryPath()});
    }
    std::vector<std::string> journals;
    auto removeJournals = [&journals, &locks] {
        for (const std::string& journal : journals)
            removeOrNote(locks.throughFolder(journal), kJournalLeft, nullptr, journal);
    };
    try {
        for (const auto& [folder, entries] : entriesByFolder) journals.push_back(writeJournal(folder, entries));
        if (int error = locks.sync()) failOn(folders.front(), kFolderSyncFailed, error);
    } catch (...) {
        removeJournals();
        throw;
    }
    try {
        for (TOutputFile* file : replaced) {
            const std::string& path = file->target().path;
            TStep& step = steps.emplace_back();
            step.file = file;
            struct stat status {};
            if (lstat(path.c_str(), &status) == 0) {
                step.backup = backups[steps.size() - 1];
                int fault = environment_->injectedFault("link");
                if (fault != 0 || link(path.c_str(), step.backup.c_str()) != 0) {
                    // A file system without hard links: the earlier file is moved aside instead.
                    if (int error = renameFault(*environment_, "move", path, step.backup)) {
                        step.backup.clear();
                        failOn(file->fileName(), kBackupFailed, error);
                    }
                    step.backupMoved = true;
                }
            }
            if (int error = renameFault(*environment_, "rename", file->temporaryPath(), path)) {
                failOn(file->fileName(), kRenameFailed, error);
            }
            step.renamed = true;
        }
        if (hold.signalWaiting()) throw EFileError(tr("a execução foi interrompida por um sinal"));
        if (int error = locks.sync()) failOn(folders.front(), kFolderSyncFailed, error);
    } catch (...) {
        rollBack(*environment_, steps);
        removeJournals();
        throw;
    }
    for (TStep& step : steps) {
        step.file->markCommitted();
        if (!step.backup.empty()) removeOrNote(step.backup, kBackupLeft, environment_->faultHook);
    }
    removeJournals();
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
