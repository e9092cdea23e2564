#pragma once

#include <memory>
#include <string>

#include "columns/column_line.h"
#include "columns/column_sink.h"
#include "common/output_file.h"

inline constexpr const char* kColumnFileName = "150_3304438.txt";

// The column file, written whole or not at all.
class TColumnFileSink : public TColumnSink {
public:
    explicit TColumnFileSink(std::string fileName = kColumnFileName) : fileName_(std::move(fileName)) {}

    void begin(const TColumnRunInfo& run) override;
    void add(const TPricedColumn& column) override;
    void end(std::int32_t columnCount) override;
    void commit() override;
    std::vector<TWrittenFile> writtenFiles() const override;

private:
    std::string fileName_;
    std::unique_ptr<TOutputFile> file_;  // from begin to commit
    std::uint64_t committedBytes_ = 0;
    std::int32_t taskCount_ = 0;
    TTaskNumberText taskNumbers_;
    TColumnNumberText columnNumber_;
};

// Writes count over the blank field that follows firstLine on line 1 or 2 of file; the
// field has room for any 32-bit count. Requires: file written from its first byte, with
// firstLine then kCountField.
void writeCountOverField(TOutputFile& file, const std::string& firstLine, std::int32_t count);

// The blank field of a count known only at the end.
inline constexpr const char* kCountField = "          ";
