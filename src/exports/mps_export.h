#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "columns/column_line.h"
#include "columns/file_sink.h"
#include "common/model.h"

namespace gerador {

// The instance as a free-format MPS file for a mixed-integer solver.
class TMpsExport : public TFileSink {
public:
    // uncoveredCost: of each slack in the elastic model; none: defaultUncoveredCost.
    TMpsExport(TRunFiles& files, std::string fileName, TModel model,
               std::optional<std::int64_t> uncoveredCost = std::nullopt)
        : TFileSink(files, std::move(fileName)), model_(model), uncoveredCost_(uncoveredCost) {}

    void begin(const TColumnRunInfo& run) override;
    void add(const TPricedColumn& column) override;
    void end(std::int32_t columnCount) override;

    // The cost each slack got in the elastic model. Requires: end() with that model.
    std::int64_t uncoveredCost() const { return *uncoveredCost_; }

private:
    struct TRowEntry {
        char text[16];  // " T<number> 1", copied whole and cut to length
        std::size_t length;
    };
    TModel model_;
    std::optional<std::int64_t> uncoveredCost_;
    std::vector<TRowEntry> rowEntries_;  // by task index
    // What the default slack cost is worked out from.
    TColumnRange range_;  // of the columns, for the elastic slacks' default cost
    TColumnNumberText columnNumber_;
};

}  // namespace gerador
