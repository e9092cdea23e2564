#pragma once

#include <memory>
#include <string>

#include "columns/column_sink.h"
#include "common/output_file.h"

// A sink that writes one file through TOutputFile: created at begin, finished at end,
// named at commit, removed when the sink goes without a commit.
class TFileSink : public TColumnSink {
public:
    explicit TFileSink(std::string fileName) : fileName_(std::move(fileName)) {}

    void commit() override;
    std::vector<TWrittenFile> writtenFiles() const override;

protected:
    // Creates the temporary file. Throws EFileError.
    TOutputFile& createFile(std::size_t bufferBytes, TOutputFile::TWriting writing = TOutputFile::TWriting::inCaller);
    // Writes what is buffered and closes the file; every write failure happens by now.
    void finishFile();
    TOutputFile& file() { return *file_; }

private:
    std::string fileName_;
    std::unique_ptr<TOutputFile> file_;  // from begin to commit
    std::uint64_t committedBytes_ = 0;
};
