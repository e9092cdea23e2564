#pragma once

#include <string>

#include "columns/column_line.h"
#include "columns/file_sink.h"

namespace gerador {

// The instance in the OR-Library set-partitioning layout.
class TOrlibExport : public TCountedFileSink {
public:
    TOrlibExport(TRunFiles& files, std::string fileName) : TCountedFileSink(files, std::move(fileName)) {}

    void begin(const TColumnRunInfo& run) override;
    void add(const TPricedColumn& column) override;
    void end(std::int32_t columnCount) override;

private:
    TTaskNumberText taskNumbers_;
};

}  // namespace gerador
