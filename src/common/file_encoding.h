#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace gerador {

// Whether this build can compress (libdeflate) and hash (libcrypto).
bool gzipAvailable();
bool hashingAvailable();

// Whether a file of this name is written gzip-compressed: its name ends in ".gz".
bool isGzipName(std::string_view name);

// SHA-256 of a stream of bytes, in lower-case hexadecimal.
class TSha256 {
public:
    TSha256();
    ~TSha256();
    TSha256(const TSha256&) = delete;
    TSha256& operator=(const TSha256&) = delete;
    void update(std::string_view bytes);
    // The digest of everything given; no update may follow. Empty without libcrypto.
    std::string hexDigest();

private:
    struct TState;
    std::unique_ptr<TState> state_;
};

class TGzipBlocks;

// What happens to an output file's bytes between its buffer and the disk: a SHA-256 of the
// content and, for gzip, compression in members of fixed size on several threads (see
// TGzipBlocks), so that the same content gives the same file on every run, platform and
// number of cores, and a SHA-256 of the compressed bytes. One encoding serves one file,
// from its first byte to its last.
class TFileEncoding {
public:
    // gzipThreads: that compress (0: one per core).
    TFileEncoding(bool hash, bool gzip, std::size_t gzipThreads = 0);
    ~TFileEncoding();
    TFileEncoding(const TFileEncoding&) = delete;
    TFileEncoding& operator=(const TFileEncoding&) = delete;

    // The bytes to write for content: content itself, or its compressed form so far
    // (valid until the next call).
    std::string_view encode(std::string_view content);
    // The last bytes to write (the end of the compressed stream).
    std::string_view finish();

    std::uint64_t contentBytes() const { return contentBytes_; }
    // Digests, after finish(); empty when not hashing.
    const std::string& contentDigest() const { return contentDigest_; }
    const std::string& fileDigest() const { return fileDigest_; }
    bool compresses() const { return blocks_ != nullptr; }

private:
    std::unique_ptr<TSha256> contentHash_;
    std::unique_ptr<TSha256> fileHash_;
    std::unique_ptr<TGzipBlocks> blocks_;
    std::uint64_t contentBytes_ = 0;
    std::string contentDigest_;
    std::string fileDigest_;
};

}  // namespace gerador
