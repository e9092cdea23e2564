#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "common/file_encoding.h"

namespace gerador {

// Writes buffers to a file descriptor on a thread of its own, in the order handed over,
// so that the caller formats the next buffer while the system takes the last one.
// The buffers travel between the two threads; none is copied.
class TBackgroundWriter {
public:
    // encoding, if any, turns each buffer into the bytes written (hashed, compressed) on the
    // writer's thread. Requires: descriptor open for writing, encoding alive, until the
    // writer is destroyed.
    explicit TBackgroundWriter(int descriptor, TFileEncoding* encoding = nullptr);
    // Stops the thread; buffers not yet written are dropped.
    ~TBackgroundWriter();

    TBackgroundWriter(const TBackgroundWriter&) = delete;
    TBackgroundWriter& operator=(const TBackgroundWriter&) = delete;

    // Queues the first bytes of buffer and returns an empty buffer to fill next (one
    // already written, when there is one). Waits while too many buffers are pending, so
    // memory stays flat. After a failure the buffer is dropped.
    std::vector<char> handOver(std::vector<char> buffer, std::size_t bytes);
    // Waits until every buffer handed over is written or dropped; returns 0, or the errno
    // of the first failed write (nothing after it was written).
    int drain();
    // The errno of the first failed write so far, or 0.
    int failure();
    // Bytes written to the descriptor so far. Exact after drain().
    std::uint64_t bytesWritten();

private:
    struct TPending {
        std::vector<char> buffer;
        std::size_t bytes;
    };

    void writeAll();  // the thread's loop

    int descriptor_;
    TFileEncoding* encoding_;
    std::uint64_t bytesWritten_ = 0;
    std::size_t unsyncedBytes_ = 0;  // written since the disk was last asked to start on them
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<TPending> pending_;
    std::vector<std::vector<char>> written_;  // for reuse
    bool writing_ = false;                    // the thread holds a buffer
    bool stopping_ = false;
    int failure_ = 0;
    std::thread thread_;
};

}  // namespace gerador
