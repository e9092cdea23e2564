#include "solve/solver.h"

#include "columns/columns.h"
#include "solve/master.h"
#include "solve/pruned_pricing.h"
#include "tasks/tasks.h"

namespace gerador {

void TColumnSource::price(TPricingSink& sink) {
    feed(sink);
}

bool TColumnSource::pastDeadline() const {
    if (interrupted_ != nullptr && interrupted_->load(std::memory_order_relaxed)) return true;
    return deadline_ && std::chrono::steady_clock::now() >= *deadline_;
}

TEnumeratedColumns::TEnumeratedColumns(const TTarefas& tasks, const TColunas& columnSettings)
    : tasks_(tasks), columns_(std::make_unique<TColunas>(columnSettings)) {}

TEnumeratedColumns::~TEnumeratedColumns() = default;

std::int32_t TEnumeratedColumns::taskCount() const {
    return tasks_.count;
}

void TEnumeratedColumns::feed(TColumnSink& sink) {
    if (pastDeadline()) throw EDeadlinePassed{};
    // The run's own view of its progress goes on; between two of its calls it checks the clock.
    TColunas run = *columns_;
    run.onProgress = [this, shown = columns_->onProgress](std::int64_t columns) {
        if (shown) shown(columns);
        if (pastDeadline()) throw EDeadlinePassed{};
    };
    run.generateColumns(&tasks_, std::vector<TColumnSink*>{&sink});
}

TListedColumns::TListedColumns(std::int32_t taskCount, std::vector<TListedColumn> columns)
    : taskCount_(taskCount), columns_(std::move(columns)) {}

void TListedColumns::feed(TColumnSink& sink) {
    if (pastDeadline()) throw EDeadlinePassed{};
    TColumnRunInfo run;
    run.taskCount = taskCount_;
    sink.begin(run);
    TPricedColumn column;
    for (std::size_t index = 0; index < columns_.size(); ++index) {
        column.number = static_cast<std::int32_t>(index + 1);
        column.cost = columns_[index].cost;
        column.tasks = &columns_[index].tasks;
        column.sharedTasks = 0;
        sink.add(column);
    }
    sink.end(static_cast<std::int32_t>(columns_.size()));
}

}  // namespace gerador
