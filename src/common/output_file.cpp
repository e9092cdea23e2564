#include "common/output_file.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <fcntl.h>
#include <chrono>
#include <mutex>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "common/console.h"
#include "common/exceptions.h"
#include "common/messages.h"

namespace gerador {

namespace {

// The temporary files a signal must remove, however many a run holds (a long series
// holds thousands): chunks of slots that are only ever added, never freed, so a handler
// walking them meets no freed memory. Each slot holds its name, allocated, or null; slots
// are edited under a mutex and read by the handler without one.
constexpr int kSlotsPerChunk = 64;
struct TSlotChunk {
    std::atomic<char*> names[kSlotsPerChunk] = {};
    std::atomic<TSlotChunk*> next = nullptr;
};
TSlotChunk gFirstChunk;
std::mutex gSlotMutex;

// The signals whose default action ends the process; SIGKILL and SIGSTOP cannot be caught.
const std::vector<int>& endingSignals() {
    static const std::vector<int> signals = [] {
        std::vector<int> list = {SIGHUP,  SIGINT,    SIGQUIT, SIGABRT, SIGUSR1, SIGUSR2,   SIGPIPE,
                                 SIGALRM, SIGTERM,   SIGXCPU, SIGXFSZ, SIGVTALRM, SIGPROF, SIGIO,
                                 SIGPWR,  SIGSTKFLT};
#ifndef __SANITIZE_ADDRESS__
        // The sanitizer reports these itself; elsewhere a crash cleans up too.
        for (int fault : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP, SIGSYS}) list.push_back(fault);
#endif
        for (int realTime = SIGRTMIN; realTime <= SIGRTMAX; ++realTime) list.push_back(realTime);
        return list;
    }();
    return signals;
}

sigset_t endingSignalSet() {
    sigset_t set;
    sigemptyset(&set);
    for (int signalNumber : endingSignals()) sigaddset(&set, signalNumber);
    return set;
}

std::atomic<char*>* takeSlot(const std::string& name) {
    char* copy = strdup(name.c_str());
    if (copy == nullptr) return nullptr;
    std::lock_guard lock(gSlotMutex);
    for (TSlotChunk* chunk = &gFirstChunk;; chunk = chunk->next.load()) {
        for (std::atomic<char*>& slot : chunk->names) {
            if (slot.load() != nullptr) continue;
            slot.store(copy);
            return &slot;
        }
        if (chunk->next.load() == nullptr) chunk->next.store(new (std::nothrow) TSlotChunk);
        if (chunk->next.load() == nullptr) {
            std::free(copy);
            return nullptr;
        }
    }
}

void releaseSlot(std::atomic<char*>* slot) {
    if (slot == nullptr) return;
    std::lock_guard lock(gSlotMutex);
    std::free(slot->exchange(nullptr));
}

std::mutex gLeftoverMutex;
std::vector<std::string> gLeftoverNotes;

}  // namespace

std::string siblingName(const std::string& path, const char* kind) {
    static std::atomic<unsigned long> sequence = 0;
    std::size_t slash = path.find_last_of('/');
    std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    std::string leaf = slash == std::string::npos ? path : path.substr(slash + 1);
    // A random part, so that nobody can make a run fail by creating its names first.
    std::uint64_t randomPart = 0;
    if (getrandom(&randomPart, sizeof randomPart, 0) != static_cast<ssize_t>(sizeof randomPart)) {
        randomPart = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    }
    char randomText[17];
    std::snprintf(randomText, sizeof randomText, "%016llx", static_cast<unsigned long long>(randomPart));
    std::string suffix = ".gerador~" + std::string(kind) + std::to_string(getpid()) + "-" + std::to_string(++sequence) +
                         "-" + randomText;
    // Only the suffix has to be unique, so a long name gives up its end.
    if (leaf.size() + suffix.size() > NAME_MAX) leaf.resize(NAME_MAX - std::min<std::size_t>(suffix.size(), NAME_MAX));
    return folder + leaf + suffix;
}

TOutputFile::TOutputFile(std::string fileName, std::size_t bufferBytes, TWriting writing, bool hash,
                         const TRunEnvironment& environment)
    : target_(resolveOutput(fileName, environment.baseFolder)), faultHook_(environment.faultHook),
      buffer_(bufferBytes) {
    bool gzip = isGzipName(target_.name);
    if (hash || gzip) encoding_ = std::make_unique<TFileEncoding>(hash, gzip);
    if (target_.error != 0 || target_.kind == TOutputTarget::TKind::folder) {
        errno = target_.error != 0 ? target_.error : EISDIR;
        fail(N_("não foi possível criar o arquivo \"%s\": %s"));
    }
    if (isDirect()) {
        // Written where it stands: the bytes go out as they come, as to any Unix tool, after
        // the console's (the target may be the console itself).
        environment.console->flushBeforeOtherOutput();
        descriptor_ = target_.descriptor >= 0 ? fcntl(target_.descriptor, F_DUPFD_CLOEXEC, 3)
                                              : open(target_.path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
        if (descriptor_ < 0) fail(N_("não foi possível abrir o arquivo \"%s\": %s"));
    } else {
        TSignalHold hold;
        for (unsigned attempt = 0; descriptor_ < 0 && attempt < 100; ++attempt) {
            temporaryPath_ = siblingName(target_.path, "tmp");
            // Mode 0666 less the umask: the permissions a plain fopen would give.
            descriptor_ = open(temporaryPath_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (descriptor_ < 0 && errno != EEXIST) break;
        }
        if (descriptor_ < 0) fail(N_("não foi possível criar o arquivo \"%s\": %s"));
        struct stat created {};
        if (fstat(descriptor_, &created) == 0) temporaryInode_ = created.st_ino;
        removalPath_ = temporaryPath_;
        std::size_t slash = temporaryPath_.find_last_of('/');
        std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : temporaryPath_.substr(0, slash);
        folderDescriptor_ = open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (folderDescriptor_ >= 0) {
            std::string throughFolder = "/proc/self/fd/" + std::to_string(folderDescriptor_);
            // Without /proc the path it was made under must do.
            if (access(throughFolder.c_str(), F_OK) == 0) {
                removalPath_ = throughFolder + "/" + temporaryPath_.substr(slash == std::string::npos ? 0 : slash + 1);
            }
        }
        // The new file takes the place of the earlier one: it gets its permissions and, where
        // allowed, its owner and group.
        struct stat earlier {};
        if (stat(target_.path.c_str(), &earlier) == 0 && S_ISREG(earlier.st_mode)) {
            if (fchown(descriptor_, earlier.st_uid, earlier.st_gid) != 0) {
                // Not the owner's to give: the group alone, or nothing, as the system allows.
                if (fchown(descriptor_, static_cast<uid_t>(-1), earlier.st_gid) != 0) errno = 0;
            }
            if (fchmod(descriptor_, earlier.st_mode & 07777) != 0) errno = 0;
        }
        signalSlot_ = takeSlot(removalPath_);
        if (signalSlot_ == nullptr) {
            close(descriptor_);
            unlink(removalPath_.c_str());
            descriptor_ = -1;
            errno = ENOMEM;
            fail(N_("não foi possível registrar o arquivo temporário de \"%s\": %s"));
        }
    }
    if (writing == TWriting::inBackground) writer_ = std::make_unique<TBackgroundWriter>(descriptor_, encoding_.get());
}

TOutputFile::~TOutputFile() {
    writer_.reset();
    if (descriptor_ >= 0) close(descriptor_);
    if (isDirect()) return;
    TSignalHold hold;
    if (!committed_) {
        removeOrNote(removalPath_, N_("não foi possível remover o arquivo temporário \"%s\""), faultHook_,
                     temporaryPath_);
    }
    releaseSlot(signalSlot_);
    if (folderDescriptor_ >= 0) close(folderDescriptor_);
}

void TOutputFile::write(std::string_view text) {
    std::memcpy(room(text.size()), text.data(), text.size());
    buffered_ += text.size();
}

char* TOutputFile::roomAfterFlush(std::size_t maxBytes) {
    flush();
    if (maxBytes > buffer_.size()) buffer_.resize(maxBytes);
    return buffer_.data() + buffered_;
}

void TOutputFile::rewind() {
    flush();
    drainWrites();
    if (lseek(descriptor_, 0, SEEK_SET) != 0) fail(N_("não foi possível reposicionar o arquivo \"%s\": %s"));
    offset_ = 0;
}

void TOutputFile::finish() {
    if (descriptor_ < 0) return;
    flush();
    drainWrites();
    if (writer_ != nullptr && compressed()) compressedBytes_ += writer_->bytesWritten();
    writer_.reset();
    if (encoding_ != nullptr) writeHere(encoding_->finish());
    int descriptor = descriptor_;
    descriptor_ = -1;
    // On the disk before it takes its name: after a crash the name holds the whole earlier
    // file or the whole new one.
    if (!isDirect() && fsync(descriptor) != 0) {
        int error = errno;
        close(descriptor);
        errno = error;
        fail(N_("não foi possível gravar no disco o arquivo \"%s\": %s"));
    }
    if (close(descriptor) != 0) fail(N_("não foi possível fechar o arquivo \"%s\": %s"));
}

void TOutputFile::markCommitted() {
    committed_ = true;
    releaseSlot(signalSlot_);
    signalSlot_ = nullptr;
}

void TOutputFile::drainWrites() {
    if (writer_ == nullptr) return;
    errno = writer_->drain();
    if (errno != 0) fail(N_("não foi possível gravar o arquivo \"%s\": %s"));
}

void TOutputFile::flush() {
    if (writer_ != nullptr) {
        if (buffered_ == 0) return;
        errno = writer_->failure();
        if (errno != 0) fail(N_("não foi possível gravar o arquivo \"%s\": %s"));
        std::size_t bufferBytes = buffer_.size();
        std::vector<char> next = writer_->handOver(std::move(buffer_), buffered_);
        next.resize(std::max(next.size(), bufferBytes));
        buffer_ = std::move(next);
        offset_ += buffered_;
        size_ = std::max(size_, offset_);
        buffered_ = 0;
        return;
    }
    std::string_view content(buffer_.data(), buffered_);
    writeHere(encoding_ != nullptr ? encoding_->encode(content) : content);
    offset_ += buffered_;
    size_ = std::max(size_, offset_);
    buffered_ = 0;
}

void TOutputFile::writeHere(std::string_view bytes) {
    const char* pending = bytes.data();
    std::size_t remaining = bytes.size();
    while (remaining > 0) {
        ssize_t written = ::write(descriptor_, pending, remaining);
        if (written < 0 && errno == EINTR) continue;
        if (written == 0) errno = EIO;
        if (written <= 0) fail(N_("não foi possível gravar o arquivo \"%s\": %s"));
        pending += written;
        remaining -= static_cast<std::size_t>(written);
    }
    if (compressed()) compressedBytes_ += bytes.size();
}

void TOutputFile::fail(const char* sentence) const {
    std::string reason = errno != 0 ? std::strerror(errno) : tr("motivo desconhecido");
    throw EFileError(textf(tr(sentence), shownFileName(target_.name).c_str(), reason.c_str()));
}

std::string shownFileName(const std::string& name) {
    return name.size() <= 200 ? name : name.substr(0, 100) + "… (" + std::to_string(name.size()) + " bytes)";
}

void removeTemporaryFiles() {
    int savedErrno = errno;
    auto isFolder = [](const char* name) { return name[0] != '\0' && name[std::strlen(name) - 1] == '/'; };
    for (TSlotChunk* chunk = &gFirstChunk; chunk != nullptr; chunk = chunk->next.load()) {
        for (std::atomic<char*>& slot : chunk->names) {
            if (char* name = slot.load(); name != nullptr && !isFolder(name)) unlink(name);
        }
    }
    // Then the folders, emptied: an outer one goes once the inner ones have gone.
    for (bool removed = true; removed;) {
        removed = false;
        for (TSlotChunk* chunk = &gFirstChunk; chunk != nullptr; chunk = chunk->next.load()) {
            for (std::atomic<char*>& slot : chunk->names) {
                if (char* name = slot.load(); name != nullptr && isFolder(name) && rmdir(name) == 0) removed = true;
            }
        }
    }
    errno = savedErrno;
}

// Folders are kept in the slots with a closing '/', which no temporary file's name has.
TFolderMark::TFolderMark(const std::string& folder) : slot_(takeSlot(folder + "/")) {}

TFolderMark::~TFolderMark() {
    releaseSlot(slot_);
}

const std::vector<int>& signalsThatEndTheProcess() {
    return endingSignals();
}

TSignalHold::TSignalHold() {
    sigset_t held = endingSignalSet();
    pthread_sigmask(SIG_BLOCK, &held, &previous_);
}

TSignalHold::~TSignalHold() {
    pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}

namespace {

// The ending signals waiting for this thread that were not held before and are not ignored.
sigset_t countingWaiting(const sigset_t& heldBefore) {
    sigset_t waiting;
    sigset_t counting;
    sigemptyset(&waiting);
    sigemptyset(&counting);
    sigpending(&waiting);
    for (int signalNumber : endingSignals()) {
        if (sigismember(&waiting, signalNumber) != 1 || sigismember(&heldBefore, signalNumber) == 1) continue;
        struct sigaction action {};
        if (sigaction(signalNumber, nullptr, &action) == 0 && action.sa_handler == SIG_IGN) continue;
        sigaddset(&counting, signalNumber);
    }
    return counting;
}

}  // namespace

bool TSignalHold::signalWaiting() const {
    sigset_t counting = countingWaiting(previous_);
    return sigisemptyset(&counting) == 0;
}

int TSignalHold::takeWaiting() {
    sigset_t counting = countingWaiting(previous_);
    int first = 0;
    const timespec noWait{0, 0};
    while (sigisemptyset(&counting) == 0) {
        int taken = sigtimedwait(&counting, nullptr, &noWait);
        if (taken <= 0) break;
        if (first == 0) first = taken;
        sigdelset(&counting, taken);
    }
    return first;
}

void removeOrNote(const std::string& path, const char* sentence, TFaultHook faultHook, const std::string& shownPath) {
    int fault = faultHook != nullptr ? faultHook("unlink") : 0;
    if (fault == 0 && (unlink(path.c_str()) == 0 || errno == ENOENT)) return;
    noteLeftover(textf(tr(sentence), (shownPath.empty() ? path : shownPath).c_str()), fault != 0 ? fault : errno);
}

bool removeAtOrNote(int folder, const std::string& name, const char* sentence, TFaultHook faultHook,
                    const std::string& shownPath) {
    int fault = faultHook != nullptr ? faultHook("unlink") : 0;
    if (fault == 0 && (unlinkat(folder, name.c_str(), 0) == 0 || errno == ENOENT)) return true;
    noteLeftover(textf(tr(sentence), shownPath.c_str()), fault != 0 ? fault : errno);
    return false;
}

void noteLeftover(const std::string& what, int error) {
    std::lock_guard lock(gLeftoverMutex);
    gLeftoverNotes.push_back(error != 0 ? what + ": " + std::strerror(error) : what);
}

std::vector<std::string> takeLeftoverNotes() {
    std::lock_guard lock(gLeftoverMutex);
    return std::exchange(gLeftoverNotes, {});
}

}  // namespace gerador
