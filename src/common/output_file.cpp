#include "common/output_file.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/exceptions.h"

namespace {

// Temporary names a signal handler can reach without allocating: fixed slots, each
// marked in use only while its name is complete.
constexpr int kSignalSlots = 16;
constexpr std::size_t kSlotNameBytes = 4096;
char gSlotNames[kSignalSlots][kSlotNameBytes];
volatile std::sig_atomic_t gSlotInUse[kSignalSlots];

constexpr int kCleanedSignals[] = {SIGINT, SIGTERM, SIGHUP};

// Keeps the cleaned signals out while a slot and the file behind it change together.
class TSignalBlock {
public:
    TSignalBlock() {
        sigset_t blocked;
        sigemptyset(&blocked);
        for (int signalNumber : kCleanedSignals) sigaddset(&blocked, signalNumber);
        sigprocmask(SIG_BLOCK, &blocked, &previous_);
    }
    ~TSignalBlock() { sigprocmask(SIG_SETMASK, &previous_, nullptr); }
    TSignalBlock(const TSignalBlock&) = delete;
    TSignalBlock& operator=(const TSignalBlock&) = delete;

private:
    sigset_t previous_;
};

int takeSlot(const std::string& name) {
    if (name.size() >= kSlotNameBytes) return -1;
    for (int slot = 0; slot < kSignalSlots; ++slot) {
        if (gSlotInUse[slot]) continue;
        std::memcpy(gSlotNames[slot], name.c_str(), name.size() + 1);
        std::atomic_signal_fence(std::memory_order_seq_cst);
        gSlotInUse[slot] = 1;
        return slot;
    }
    return -1;
}

void releaseSlot(int slot) {
    if (slot >= 0) gSlotInUse[slot] = 0;
}

extern "C" void removeTemporaryFilesAndEnd(int signalNumber) {
    int savedErrno = errno;
    for (int slot = 0; slot < kSignalSlots; ++slot) {
        if (gSlotInUse[slot]) unlink(gSlotNames[slot]);
    }
    errno = savedErrno;
    // The handler was reset to the default, so the signal ends the process once it returns.
    raise(signalNumber);
}

// A name beside the final one that no other file has; the creation itself is exclusive.
std::string temporaryNameFor(const std::string& fileName) {
    static unsigned long sequence = 0;
    return fileName + ".tmp" + std::to_string(getpid()) + "_" + std::to_string(++sequence);
}

}  // namespace

TOutputFile::TOutputFile(std::string fileName, std::size_t bufferBytes, TWriting writing)
    : fileName_(std::move(fileName)), buffer_(bufferBytes) {
    TSignalBlock block;
    for (unsigned attempt = 0; descriptor_ < 0 && attempt < 100; ++attempt) {
        temporaryName_ = temporaryNameFor(fileName_);
        // Mode 0666 less the umask: the permissions a plain fopen would give.
        descriptor_ = open(temporaryName_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor_ < 0 && errno != EEXIST) break;
    }
    if (descriptor_ < 0) fail("criar o arquivo");
    signalSlot_ = takeSlot(temporaryName_);
    if (signalSlot_ < 0) {
        close(descriptor_);
        unlink(temporaryName_.c_str());
        descriptor_ = -1;
        errno = ENAMETOOLONG;
        fail("registrar o arquivo temporário");
    }
    if (writing == TWriting::inBackground) writer_ = std::make_unique<TBackgroundWriter>(descriptor_);
}

TOutputFile::~TOutputFile() {
    writer_.reset();
    if (descriptor_ >= 0) close(descriptor_);
    TSignalBlock block;
    if (!committed_) unlink(temporaryName_.c_str());
    releaseSlot(signalSlot_);
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
    if (lseek(descriptor_, 0, SEEK_SET) != 0) fail("reposicionar o arquivo");
    offset_ = 0;
}

void TOutputFile::finish() {
    if (descriptor_ < 0) return;
    flush();
    drainWrites();
    writer_.reset();
    int descriptor = descriptor_;
    descriptor_ = -1;
    if (close(descriptor) != 0) fail("fechar o arquivo");
}

void TOutputFile::commit() {
    finish();
    TSignalBlock block;
    if (std::rename(temporaryName_.c_str(), fileName_.c_str()) != 0) fail("dar o nome final ao arquivo");
    committed_ = true;
    releaseSlot(signalSlot_);
    signalSlot_ = -1;
}

void TOutputFile::drainWrites() {
    if (writer_ == nullptr) return;
    errno = writer_->drain();
    if (errno != 0) fail("gravar o arquivo");
}

void TOutputFile::flush() {
    if (writer_ != nullptr) {
        if (buffered_ == 0) return;
        errno = writer_->failure();
        if (errno != 0) fail("gravar o arquivo");
        std::size_t bufferBytes = buffer_.size();
        std::vector<char> next = writer_->handOver(std::move(buffer_), buffered_);
        next.resize(std::max(next.size(), bufferBytes));
        buffer_ = std::move(next);
        offset_ += buffered_;
        size_ = std::max(size_, offset_);
        buffered_ = 0;
        return;
    }
    const char* pending = buffer_.data();
    std::size_t remaining = buffered_;
    while (remaining > 0) {
        ssize_t written = ::write(descriptor_, pending, remaining);
        if (written < 0 && errno == EINTR) continue;
        if (written == 0) errno = EIO;
        if (written <= 0) fail("gravar o arquivo");
        pending += written;
        remaining -= static_cast<std::size_t>(written);
        offset_ += static_cast<std::uint64_t>(written);
    }
    size_ = std::max(size_, offset_);
    buffered_ = 0;
}

void TOutputFile::fail(const char* action) const {
    std::string reason = errno != 0 ? std::strerror(errno) : "motivo desconhecido";
    throw EFileError("não foi possível " + std::string(action) + " \"" + fileName_ + "\": " + reason);
}

void removeTemporaryFilesOnSignals() {
    for (int signalNumber : kCleanedSignals) {
        struct sigaction current {};
        if (sigaction(signalNumber, nullptr, &current) != 0 || current.sa_handler == SIG_IGN) continue;
        struct sigaction cleanup {};
        cleanup.sa_handler = removeTemporaryFilesAndEnd;
        sigemptyset(&cleanup.sa_mask);
        for (int other : kCleanedSignals) sigaddset(&cleanup.sa_mask, other);
        cleanup.sa_flags = SA_RESETHAND;
        sigaction(signalNumber, &cleanup, nullptr);
    }
}
