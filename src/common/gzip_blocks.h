#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace gerador {

// One complete gzip member of content: deflate at the fastest level behind a fixed header
// (no time, no name), so the same content always gives the same bytes. Writes it at the
// start of member, grown as needed and never shrunk, so that a buffer used again costs
// neither allocation nor clearing, and returns its length. Requires: gzipAvailable().
std::size_t gzipMember(std::string_view content, std::vector<char>& member);

// Compresses a stream as a run of gzip members of blockBytes of content each, on several
// threads, and hands the members back in order. A member depends on its block alone, so
// the bytes never depend on the number of threads, and every gzip reader reads the members
// one after another as the whole content. Memory stays within a few blocks per thread.
class TGzipBlocks {
public:
    static constexpr std::size_t kBlockBytes = std::size_t{1} << 20;
    // threads: 0, one per core; 1, everything on the caller's thread.
    explicit TGzipBlocks(std::size_t threads = 0, std::size_t blockBytes = kBlockBytes);
    ~TGzipBlocks();
    TGzipBlocks(const TGzipBlocks&) = delete;
    TGzipBlocks& operator=(const TGzipBlocks&) = delete;

    // Takes content and returns the bytes of the members finished since the last call, in
    // order (valid until the next call). Rethrows a failure of a compressing thread.
    std::string_view add(std::string_view content);
    // Compresses the rest and returns every byte not yet returned; no add may follow.
    std::string_view finish();

private:
    // A block and its member. Jobs are used again once handed back, buffers and all: a
    // fresh MiB a block cost a page fault every 4 kB.
    struct TJob {
        std::string content;
        std::vector<char> member;
        std::size_t memberBytes = 0;
        bool done = false;
        std::exception_ptr failure;
    };
    std::shared_ptr<TJob> spareJob();
    void submit();
    // Moves finished members, oldest first, into output_; waits for the oldest while more
    // than the threads can use are pending, or for all when everything is asked for.
    void collect(bool everything);
    void compressJobs();  // a compressing thread's loop

    std::size_t threads_;
    std::size_t blockBytes_;
    std::shared_ptr<TJob> filling_;  // the block being filled
    bool anyBlock_ = false;
    std::vector<char> output_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::shared_ptr<TJob>> inOrder_;  // submitted, not yet handed back
    std::deque<std::shared_ptr<TJob>> waiting_;  // not yet taken by a thread
    std::vector<std::shared_ptr<TJob>> spare_;   // handed back, to be used again
    std::vector<std::thread> workers_;
    bool stopping_ = false;
};

}  // namespace gerador
