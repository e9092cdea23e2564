#include "columns/planted_columns.h"

#include <algorithm>

#include "common/messages.h"
#include "common/exceptions.h"

namespace gerador {

void TPlantedColumns::begin(const TColumnRunInfo& run) {
    dutyStartingAt_.assign(static_cast<std::size_t>(std::max(run.taskCount, 0)), -1);
    for (std::size_t duty = 0; duty < duties_.size(); ++duty) {
        dutyStartingAt_[static_cast<std::size_t>(duties_[duty].front())] = static_cast<std::int32_t>(duty);
    }
    columnNumbers_.assign(duties_.size(), 0);
    totalCost_ = 0;
}

void TPlantedColumns::add(const TPricedColumn& column) {
    const std::vector<std::int32_t>& chain = *column.tasks;
    std::int32_t duty = dutyStartingAt_[static_cast<std::size_t>(chain.front())];
    if (duty < 0 || chain != duties_[static_cast<std::size_t>(duty)]) return;
    columnNumbers_[static_cast<std::size_t>(duty)] = column.number;
    totalCost_ += column.cost;
}

void TPlantedColumns::end(std::int32_t) {
    auto missing = std::find(columnNumbers_.begin(), columnNumbers_.end(), 0);
    requireParameter(missing == columnNumbers_.end(), "plant",
                     static_cast<long long>(missing - columnNumbers_.begin()) + 1,
                     tr("a jornada plantada não foi gravada como coluna"));
}

}  // namespace gerador
