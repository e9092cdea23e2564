#pragma once

#include <string>
#include <vector>

#include "columns/column_line.h"
#include "columns/file_sink.h"
#include "common/model.h"

namespace gerador {

// The instance as a free-format MPS file for a mixed-integer solver.
class TMpsExport : public TFileSink {
public:
    TMpsExport(TRunFiles& files, std::string fileName, TModel model)
        : TFileSink(files, std::move(fileName)), model_(model) {}

    void begin(const TColumnRunInfo& run) override;
    void add(const TPricedColumn& column) override;
    void end(std::int32_t columnCount) override;

private:
    struct TRowEntry {
        char text[16];  // " T<number> 1", copied whole and cut to length
        std::size_t length;
    };
    TModel model_;
    std::vector<TRowEntry> rowEntries_;  // by task index
    TColumnNumberText columnNumber_;
};

}  // namespace gerador
