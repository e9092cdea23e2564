#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/output_file.h"

namespace gerador {

// A file a run wrote, by the name it was given: its size in bytes and, when the run hashes
// its files, its SHA-256; for a compressed file, also its content's size and SHA-256.
struct TWrittenFile {
    std::string name;
    std::uint64_t bytes = 0;
    std::string sha256;
    bool compressed = false;
    std::uint64_t contentBytes = 0;
    std::string contentSha256;
};

// Every file of one run, committed together: either all of them take their final names
// or none does, and no earlier file of those names is lost.
class TRunFiles {
public:
    // The files resolve their names against the environment's base folder; it must
    // outlive this.
    explicit TRunFiles(const TRunEnvironment& environment = defaultEnvironment()) : environment_(&environment) {}
    // Removes the temporary files of a run that did not commit.
    ~TRunFiles();
    TRunFiles(const TRunFiles&) = delete;
    TRunFiles& operator=(const TRunFiles&) = delete;

    // Files created from now on resolve against environment's base folder instead; it
    // must outlive this.
    void resolveAgainst(const TRunEnvironment& environment) { environment_ = &environment; }
    // Every file created from now on is hashed as it is written (see TOutputFile).
    void hashFiles() { hashing_ = true; }
    bool hashing() const { return hashing_; }
    // Whether a file of this name could be rewound: not a device or a pipe, not hashed or
    // compressed as it goes.
    bool canRewind(const std::string& name) const;

    // Creates one more file of the run (see TOutputFile). Throws EFileError.
    TOutputFile& create(const std::string& name, std::size_t bufferBytes = 1 << 16,
                        TOutputFile::TWriting writing = TOutputFile::TWriting::inCaller);

    // Finishes every file, then renames each over its final name, holding a lock on each
    // folder so that two runs into one folder commit one after the other. An earlier file
    // is kept under a backup name (a hard link) until every rename has succeeded; when one
    // fails, or a signal arrives meanwhile, every earlier file is put back and the new
    // ones are removed. Throws EFileError naming the file that failed.
    void commit();
    // A signal that arrived after the last rename of the commit, when the files were already
    // complete, and that the commit took instead of letting it end the process; 0: none.
    int lateSignal() const { return lateSignal_; }

    // Bytes written to the files so far, for a view of the progress.
    std::uint64_t bytesSoFar() const;

    // Finishes the files so far and lists them, in the order they were created.
    std::vector<TWrittenFile> written();

private:
    const TRunEnvironment* environment_;
    std::vector<std::unique_ptr<TOutputFile>> files_;
    bool hashing_ = false;
    int lateSignal_ = 0;
};

// Puts the entry of a folder just made on the disk, in its parent, so that a power loss
// cannot take the folder, and the files committed into it, away. Returns the errno value
// of a failure, or 0.
int syncNewFolder(const std::string& folder);

// Finishes or undoes, under its lock, every interrupted commit in folder (see commit()), and
// removes the temporary files there of runs of this user that no longer live (their
// process number names no process): for a folder the caller owns, as a series owns its
// instances' folders. A folder that does not exist is left alone. Throws EFileError when
// the folder cannot be locked.
void finishInterruptedCommits(const std::string& folder, const TRunEnvironment& environment);

}  // namespace gerador
