#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/output_file.h"

namespace gerador {

// A file a run wrote, by the name it was given, and its size in bytes.
struct TWrittenFile {
    std::string name;
    std::uint64_t bytes = 0;
};

// Every file of one run, committed together: either all of them take their final names
// or none does, and no earlier file of those names is lost.
class TRunFiles {
public:
    TRunFiles() = default;
    // Removes the temporary files of a run that did not commit.
    ~TRunFiles();
    TRunFiles(const TRunFiles&) = delete;
    TRunFiles& operator=(const TRunFiles&) = delete;

    // Creates one more file of the run (see TOutputFile). Throws EFileError.
    TOutputFile& create(const std::string& name, std::size_t bufferBytes = 1 << 16,
                        TOutputFile::TWriting writing = TOutputFile::TWriting::inCaller);

    // Finishes every file, then renames each over its final name, holding a lock on each
    // folder so that two runs into one folder commit one after the other. An earlier file
    // is kept under a backup name (a hard link) until every rename has succeeded; when one
    // fails, or a signal arrives meanwhile, every earlier file is put back and the new
    // ones are removed. Throws EFileError naming the file that failed.
    void commit();

    // The files so far, in the order they were created, with their sizes.
    std::vector<TWrittenFile> written() const;

private:
    std::vector<std::unique_ptr<TOutputFile>> files_;
};

}  // namespace gerador
