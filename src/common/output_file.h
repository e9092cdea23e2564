#pragma once

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/background_writer.h"
#include "common/output_target.h"
#include "common/run_environment.h"

namespace gerador {

// An output file that is written whole or not at all. Bytes go through a buffer into a
// temporary file beside the final name, which a commit (TRunFiles) renames over it, so a
// failed run neither leaves a half-written file nor destroys an earlier one. A device or
// a pipe (/dev/null, /dev/stdout, a FIFO) is written in place instead.
// Every failure throws EFileError naming the file and the system's reason.
// Its temporary name stays registered until the commit or the destructor, so that a
// signal handler of the program can remove it (see removeTemporaryFiles).
class TOutputFile {
public:
    // Where full buffers are written: here, or by a thread of the file's own while the
    // caller fills the next one (for large files). Either way a failed write throws from
    // a call of this class, at the latest from finish().
    enum class TWriting { inCaller, inBackground };

    // Creates the temporary file (or opens the device); the folder of fileName must exist.
    // A name ending in ".gz" is written gzip-compressed. With hash, the file's SHA-256 and
    // its content's are worked out as it is written.
    // A relative name resolves against the environment's base folder, whose console is
    // flushed before bytes go to a device (it may be the console).
    explicit TOutputFile(std::string fileName, std::size_t bufferBytes = 1 << 16,
                         TWriting writing = TWriting::inCaller, bool hash = false,
                         const TRunEnvironment& environment = defaultEnvironment());
    // Removes the temporary file unless it was committed.
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
    // Whether rewind() may be used: not for a device, a pipe, or bytes hashed or
    // compressed as they go.
    bool canRewind() const { return target_.seekable && encoding_ == nullptr; }
    // Later writes overwrite the file from its first byte. Requires: canRewind().
    void rewind();
    // Writes what is buffered and closes the file, keeping its temporary name; no write
    // may follow. Lets several files fail before any of them takes its final name.
    void finish();

    // The name as given, for messages and reports.
    const std::string& fileName() const { return target_.name; }
    const TOutputTarget& target() const { return target_; }
    // Written in place: nothing to rename at the commit.
    bool isDirect() const { return target_.kind == TOutputTarget::TKind::direct; }
    // Where the bytes wait for the commit. Requires: !isDirect().
    const std::string& temporaryPath() const { return temporaryPath_; }
    // The temporary file's inode, by which the commit knows it under any name.
    // Requires: !isDirect().
    std::uint64_t temporaryInode() const { return temporaryInode_; }
    // The commit gave the file its final name: the temporary one is gone.
    void markCommitted();
    // Bytes of content so far, buffered ones included.
    std::uint64_t size() const { return std::max(size_, offset_ + buffered_); }
    // After finish(): the bytes the file holds (compressed, if so), and the SHA-256 of
    // those and of the content; empty digests without hashing.
    std::uint64_t fileBytes() const { return compressed() ? compressedBytes_ : size(); }
    std::string fileDigest() const { return encoding_ ? encoding_->fileDigest() : ""; }
    std::string contentDigest() const { return encoding_ ? encoding_->contentDigest() : ""; }
    bool compressed() const { return encoding_ != nullptr && encoding_->compresses(); }

private:
    char* roomAfterFlush(std::size_t maxBytes);
    void flush();
    // Writes bytes at the descriptor, here.
    void writeHere(std::string_view bytes);
    // Waits for the background writes and throws if one failed.
    void drainWrites();
    // sentence: a catalog's format, untranslated, with the file's name and the reason.
    [[noreturn]] void fail(const char* sentence) const;

    TOutputTarget target_;
    TFaultHook faultHook_;
    std::string temporaryPath_;
    std::uint64_t temporaryInode_ = 0;
    int descriptor_ = -1;
    std::atomic<char*>* signalSlot_ = nullptr;  // where a signal handler finds removalPath_
    // The folder of the temporary file, held open, and the temporary file's name through it
    // (/proc/self/fd/N/NAME): a folder moved or renamed during the run still loses it.
    int folderDescriptor_ = -1;
    std::string removalPath_;
    bool committed_ = false;
    std::uint64_t offset_ = 0;  // where the buffer lands in the file
    std::uint64_t size_ = 0;    // of the file on disk
    std::vector<char> buffer_;
    std::size_t buffered_ = 0;
    std::uint64_t compressedBytes_ = 0;  // written to the descriptor, when compressed
    std::unique_ptr<TFileEncoding> encoding_;    // when hashed or compressed
    std::unique_ptr<TBackgroundWriter> writer_;  // with TWriting::inBackground, while open
};

// A name beside path, in its folder, that ends in kind and a number no other file of this
// process uses: "<name>.gerador~<kind><pid>-<n>", with the name cut short where the whole
// would pass the system's limit on a name. `rm ./*.gerador~*` clears what a killed run left.
std::string siblingName(const std::string& path, const char* kind);

// A file's name as messages show it: a name of thousands of bytes by its start and its length.
std::string shownFileName(const std::string& name);

// Removes the temporary file of every TOutputFile not yet committed. Safe to call from a
// signal handler: the program's handlers call it before the signal ends the process.
void removeTemporaryFiles();
// Marks a folder a run made, so that removeTemporaryFiles also removes it when it is
// empty by then (a signal then leaves no empty folder of the run); until the mark goes.
class TFolderMark {
public:
    explicit TFolderMark(const std::string& folder);
    ~TFolderMark();
    TFolderMark(TFolderMark&& other) noexcept : slot_(other.slot_) { other.slot_ = nullptr; }
    TFolderMark(const TFolderMark&) = delete;
    TFolderMark& operator=(const TFolderMark&) = delete;
    TFolderMark& operator=(TFolderMark&&) = delete;

private:
    std::atomic<char*>* slot_;
};

// The signals whose default action ends the process, but SIGKILL and SIGSTOP.
const std::vector<int>& signalsThatEndTheProcess();

// Keeps those signals waiting while it lives: what the commit does between its first and
// last rename is never cut short by them.
class TSignalHold {
public:
    TSignalHold();
    ~TSignalHold();
    TSignalHold(const TSignalHold&) = delete;
    TSignalHold& operator=(const TSignalHold&) = delete;
    // Whether one of them arrived since and is waiting. A signal the process ignores does
    // not count: blocked, the kernel keeps it waiting, though it would end nothing.
    bool signalWaiting() const;
    // Takes the waiting ones that count, so that they end nothing when the hold ends;
    // returns one of them, or 0 when none was waiting.
    int takeWaiting();

private:
    sigset_t previous_;
};

// Removes path, and when that fails (or faultHook fails "unlink") notes the file as left
// behind: sentence (a catalog's format that names it by %s, untranslated) and the reason.
// shownPath, when given, is the name the note gives instead of path.
void removeOrNote(const std::string& path, const char* sentence, TFaultHook faultHook = nullptr,
                  const std::string& shownPath = "");
// The same for the entry name of the folder open as descriptor folder; true when it is gone.
bool removeAtOrNote(int folder, const std::string& name, const char* sentence, TFaultHook faultHook,
                    const std::string& shownPath);
// Notes what could not be done to a file, a whole sentence, with the errno value that says
// why (0: the sentence says it).
void noteLeftover(const std::string& what, int error);
// Files that could not be removed, each described for the user; empties the list.
std::vector<std::string> takeLeftoverNotes();

}  // namespace gerador
