#pragma once

#include <string>

#include "columns/column_sink.h"
#include "common/run_files.h"

namespace gerador {

// A sink that writes one file of the run: created at begin, finished at end, committed
// with the run's other files.
class TFileSink : public TColumnSink {
public:
    TFileSink(TRunFiles& files, std::string fileName) : files_(files), fileName_(std::move(fileName)) {}

protected:
    // Creates the file. Throws EFileError.
    TOutputFile& createFile(std::size_t bufferBytes, TOutputFile::TWriting writing = TOutputFile::TWriting::inCaller);
    TOutputFile& file() { return *file_; }
    const std::string& fileName() const { return fileName_; }
    const TRunFiles& files() const { return files_; }

private:
    TRunFiles& files_;
    std::string fileName_;
    TOutputFile* file_ = nullptr;  // from begin on; owned by files_
};

// A sink whose file starts with a count of the columns, known only at the end: written
// over a blank field then, or right away when a first pass counted the columns (a file
// that cannot be rewound, such as a pipe, asks for that pass).
class TCountedFileSink : public TFileSink {
public:
    using TFileSink::TFileSink;
    bool needsCountFirst() const override;

protected:
    // Writes textBefore and the count's field. Requires: the file created, nothing written.
    void writeCountHeader(const std::string& textBefore, const TColumnRunInfo& run);
    // Writes the count over its field if it was not known, then finishes the file.
    void endWithCount(std::int32_t columnCount);

private:
    std::string textBefore_;
    bool countWritten_ = false;
};

}  // namespace gerador
