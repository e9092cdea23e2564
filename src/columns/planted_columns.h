#pragma once

#include <cstdint>
#include <vector>

#include "columns/column_sink.h"

namespace gerador {

// Finds the columns of the planted duties as the run writes them: one look at the first
// task of each column, and a comparison only where a duty starts; no column is kept.
class TPlantedColumns : public TColumnSink {
public:
    // duties: each duty's task indices in chain order (TTarefas::plantedDuties).
    explicit TPlantedColumns(const std::vector<std::vector<std::int32_t>>& duties) : duties_(duties) {}

    void begin(const TColumnRunInfo& run) override;
    void add(const TPricedColumn& column) override;
    // Throws EParameterError when a duty was not written (it always is: the column rule
    // keeps the duties whatever the draws).
    void end(std::int32_t columnCount) override;

    // The number of each duty's column, by duty, and their total cost. Complete after end().
    const std::vector<std::int32_t>& columnNumbers() const { return columnNumbers_; }
    std::int64_t totalCost() const { return totalCost_; }

private:
    const std::vector<std::vector<std::int32_t>>& duties_;
    std::vector<std::int32_t> dutyStartingAt_;  // by task index; -1 where no duty starts
    std::vector<std::int32_t> columnNumbers_;   // by duty; 0 until found
    std::int64_t totalCost_ = 0;
};

}  // namespace gerador
