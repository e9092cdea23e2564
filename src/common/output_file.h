#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/background_writer.h"

// An output file that is written whole or not at all. Bytes go through a buffer into
// a temporary file beside the final name; commit() renames it over the final name, so
// a failed run neither leaves a half-written file nor destroys an earlier one.
// Every failure throws EFileError naming the file and the system's reason.
// Once removeTemporaryFilesOnSignals() has run, an interrupt, termination or hang-up
// removes the temporary files still open too.
class TOutputFile {
public:
    // Where full buffers are written: here, or by a thread of the file's own while the
    // caller fills the next one (for large files). Either way a failed write throws from
    // a call of this class, at the latest from finish().
    enum class TWriting { inCaller, inBackground };

    // Creates the temporary file; the folder of fileName must exist.
    explicit TOutputFile(std::string fileName, std::size_t bufferBytes = 1 << 16,
                         TWriting writing = TWriting::inCaller);
    // Removes the temporary file unless commit() succeeded.
    ~TOutputFile();

    TOutputFile(const TOutputFile&) = delete;
    TOutputFile& operator=(const TOutputFile&) = delete;

    void write(std::string_view text);
    // Room for up to maxBytes at the end of the buffer, for text formatted in place;
    // valid until the next call. wrote(n) then keeps the first n bytes written there.
    char* room(std::size_t maxBytes) {
        return maxBytes <= buffer_.size() - buffered_ ? buffer_.data() + buffered_ : roomAfterFlush(maxBytes);
    }
    void wrote(std::size_t bytes) { buffered_ += bytes; }
    // Later writes overwrite the file from its first byte.
    void rewind();
    // Writes what is buffered and closes the file, keeping its temporary name; no write
    // may follow. Lets several files fail before any of them takes its final name.
    void finish();
    // Finishes the file if needed and gives it its final name.
    void commit();

    const std::string& fileName() const { return fileName_; }
    // Bytes in the file so far, buffered ones included.
    std::uint64_t size() const { return std::max(size_, offset_ + buffered_); }

private:
    char* roomAfterFlush(std::size_t maxBytes);
    void flush();
    // Waits for the background writes and throws if one failed.
    void drainWrites();
    [[noreturn]] void fail(const char* action) const;

    std::string fileName_;
    std::string temporaryName_;
    int descriptor_ = -1;
    int signalSlot_ = -1;  // where a signal handler finds temporaryName_
    bool committed_ = false;
    std::uint64_t offset_ = 0;  // where the buffer lands in the file
    std::uint64_t size_ = 0;    // of the file on disk
    std::vector<char> buffer_;
    std::size_t buffered_ = 0;
    std::unique_ptr<TBackgroundWriter> writer_;  // with TWriting::inBackground, while open
};

// Makes SIGINT, SIGTERM and SIGHUP remove the temporary file of every TOutputFile not
// yet committed, then end the process as the signal would. A signal the process was
// started ignoring stays ignored.
void removeTemporaryFilesOnSignals();
