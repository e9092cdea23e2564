#pragma once

#include <string>

#include "columns/column_line.h"
#include "columns/file_sink.h"

inline constexpr const char* kColumnFileName = "150_3304438.txt";

// The column file, written whole or not at all.
class TColumnFileSink : public TFileSink {
public:
    explicit TColumnFileSink(std::string fileName = kColumnFileName) : TFileSink(std::move(fileName)) {}

    void begin(const TColumnRunInfo& run) override;
    void add(const TPricedColumn& column) override;
    void end(std::int32_t columnCount) override;

private:
    std::int32_t taskCount_ = 0;
    TTaskNumberText taskNumbers_;
    TColumnNumberText columnNumber_;
};

// The blank field of a count known only at the end; any 32-bit count fits.
inline constexpr const char* kCountField = "          ";

// Writes count over the blank field that follows textBefore at the start of file.
// Requires: file begins with textBefore, then kCountField.
void writeCountOverField(TOutputFile& file, const std::string& textBefore, std::int32_t count);
