#pragma once

#include <string>

#include "columns/column_line.h"
#include "columns/file_sink.h"

namespace gerador {

inline constexpr const char* kColumnFileName = "150_3304438.txt";

// The column file, written whole or not at all.
class TColumnFileSink : public TCountedFileSink {
public:
    explicit TColumnFileSink(TRunFiles& files, std::string fileName = kColumnFileName)
        : TCountedFileSink(files, std::move(fileName)) {}

    void begin(const TColumnRunInfo& run) override;
    void add(const TPricedColumn& column) override;
    void end(std::int32_t columnCount) override;
    std::unique_ptr<TColumnTextFormatter> textFormatter() const override;
    void addText(std::string_view text) override;

private:
    std::int32_t taskCount_ = 0;
    TTaskNumberText taskNumbers_;
    TColumnNumberText columnNumber_;
};

}  // namespace gerador
