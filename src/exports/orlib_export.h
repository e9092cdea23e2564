#pragma once

#include <string>

#include "columns/column_line.h"
#include "columns/file_sink.h"

// The instance in the OR-Library set-partitioning layout.
class TOrlibExport : public TFileSink {
public:
    explicit TOrlibExport(std::string fileName) : TFileSink(std::move(fileName)) {}

    void begin(const TColumnRunInfo& run) override;
    void add(const TPricedColumn& column) override;
    void end(std::int32_t columnCount) override;

private:
    std::int32_t taskCount_ = 0;
    TTaskNumberText taskNumbers_;
};
