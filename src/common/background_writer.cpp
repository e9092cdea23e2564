#include "common/background_writer.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

namespace gerador {

namespace {

constexpr std::size_t kMostPending = 2;  // with the one being filled and the one being written: four
constexpr std::size_t kStartWritebackEvery = std::size_t{8} << 20;

}  // namespace

TBackgroundWriter::TBackgroundWriter(int descriptor, TFileEncoding* encoding)
    : descriptor_(descriptor), encoding_(encoding) {
    // The thread takes no signals: their handlers run on the main thread, where the
    // temporary files are registered.
    sigset_t all;
    sigset_t previous;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, &previous);
    thread_ = std::thread(&TBackgroundWriter::writeAll, this);
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

TBackgroundWriter::~TBackgroundWriter() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        pending_.clear();
    }
    changed_.notify_all();
    thread_.join();
}

std::vector<char> TBackgroundWriter::handOver(std::vector<char> buffer, std::size_t bytes) {
    std::vector<char> next;
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return pending_.size() < kMostPending || failure_ != 0; });
        if (failure_ == 0 && bytes > 0) pending_.push_back({std::move(buffer), bytes});
        if (!written_.empty()) {
            next = std::move(written_.back());
            written_.pop_back();
        }
    }
    changed_.notify_all();
    return next;
}

int TBackgroundWriter::drain() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return (pending_.empty() && !writing_) || failure_ != 0; });
    return failure_;
}

std::uint64_t TBackgroundWriter::bytesWritten() {
    std::lock_guard lock(mutex_);
    return bytesWritten_;
}

int TBackgroundWriter::failure() {
    std::lock_guard lock(mutex_);
    return failure_;
}

void TBackgroundWriter::writeAll() {
    std::unique_lock lock(mutex_);
    while (true) {
        changed_.wait(lock, [this] { return !pending_.empty() || stopping_; });
        if (stopping_) return;
        TPending next = std::move(pending_.front());
        pending_.pop_front();
        writing_ = true;
        lock.unlock();
        changed_.notify_all();

        std::string_view bytes(next.buffer.data(), next.bytes);
        if (encoding_ != nullptr) bytes = encoding_->encode(bytes);
        const char* data = bytes.data();
        std::size_t remaining = bytes.size();
        int error = 0;
        while (remaining > 0) {
            ssize_t written = ::write(descriptor_, data, remaining);
            if (written < 0 && errno == EINTR) continue;
            if (written <= 0) {
                error = written == 0 ? EIO : errno;
                break;
            }
            data += written;
            remaining -= static_cast<std::size_t>(written);
        }
        // The disk starts on what is written while the run goes on, so the sync before the
        // commit has little left to wait for. Only a hint: the sync says what failed.
        unsyncedBytes_ += bytes.size() - remaining;
        if (unsyncedBytes_ >= kStartWritebackEvery) {
            sync_file_range(descriptor_, 0, 0, SYNC_FILE_RANGE_WRITE);
            unsyncedBytes_ = 0;
        }

        lock.lock();
        bytesWritten_ += bytes.size() - remaining;
        writing_ = false;
        if (error != 0 && failure_ == 0) {
            failure_ = error;
            pending_.clear();
        }
        written_.push_back(std::move(next.buffer));
        changed_.notify_all();
    }
}

}  // namespace gerador
