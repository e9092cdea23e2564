#include "columns/columns.h"

#include <cassert>
#include <climits>
#include <string>

#include "common/messages.h"
#include "common/exceptions.h"
#include "common/run_environment.h"
#include "tasks/tasks.h"

namespace gerador {

namespace {

constexpr std::int32_t kColumnCharge = 800;  // fixed cost of every column

}  // namespace

void refuseColumnField(std::int32_t column, const char* field, std::int64_t value) {
    throw EParameterError(textf(tr("a coluna %d tem %s %lld, que não cabe em 32 bits"), column, tr(field),
                                static_cast<long long>(value)));
}

void TColunas::startCoverage() {
    uncoveredTasks.fill(taskGenerator->count);
    columnTotals_.reset();
    nextCheckpoint_ = 0;
}

void TColunas::checkpoint(std::int32_t columnCounter) {
    if (columnCounter == INT32_MAX) {
        throw EColumnLimit(std::nullopt);
    }
    if (columnCounter >= maxColumns) {
        throw EColumnLimit(maxColumns);
    }
    const std::atomic<bool>* interrupted = orDefault(environment).interrupted;
    throwIfInterrupted(interrupted);
    if (onProgress && columnCounter > 0) onProgress(columnCounter);
    bool watched = onProgress || interrupted != nullptr;
    std::int64_t nextProgress =
        watched ? (columnCounter / kProgressEvery + 1) * std::int64_t{kProgressEvery} : INT32_MAX;
    nextCheckpoint_ = static_cast<std::int32_t>(std::min<std::int64_t>({nextProgress, maxColumns, INT32_MAX}));
}

namespace {

std::string columnLimitText(std::optional<std::int32_t> maxColumns, const std::string& limitName,
                            const std::string& detail) {
    // detail, when given, is " (<how the run knows>)".
    if (!maxColumns) {
        return textf(tr("mais de %d colunas: o número de uma coluna tem 32 bits%s"), INT32_MAX, detail.c_str());
    }
    return textf(tr("a execução passaria de %d colunas, o limite de %s%s"), *maxColumns, limitName.c_str(),
                 detail.c_str());
}

}  // namespace

EColumnLimit::EColumnLimit(std::optional<std::int32_t> maxColumns, std::string detail)
    : EParameterError(columnLimitText(maxColumns, "maxColumns", detail)),
      maxColumns_(maxColumns),
      detail_(std::move(detail)) {}

std::string EColumnLimit::textNaming(const std::string& limitName) const {
    return columnLimitText(maxColumns_, limitName, detail_);
}

TChainPrice priceChain(TChainTotals& totals, const std::vector<TTarefa>& tasks,
                       const std::vector<std::int32_t>& chain, std::size_t unchangedTasks) {
    TChainPrice price;
    price.sharedTasks = totals.update(tasks, chain, unchangedTasks);
    price.workMinutes = totals.workMinutes();
    std::int64_t idleMinutes = totals.spanMinutes() - price.workMinutes;
    // One unit for each full 100 idle minutes: truncating idle × 0.01 in double gives
    // exactly idle / 100 for every idle time below 2^40 minutes, negative ones included.
    price.cost = totals.taskCosts() + idleMinutes / 100 + kColumnCharge;
    return price;
}

void TColunas::writeColumn(std::int32_t depot, std::int32_t& columnCounter, const std::vector<std::int32_t>& chain,
                           std::int32_t phase, std::size_t unchangedTasks) {
    assert(taskGenerator != nullptr && !chain.empty());
    // One comparison a column stands for the limits and the progress.
    if (columnCounter >= nextCheckpoint_) [[unlikely]] checkpoint(columnCounter);
    ++columnCounter;
    TChainPrice price = priceChain(columnTotals_, taskGenerator->tasks, chain, unchangedTasks);
    deliverColumn(columnCounter, depot, phase, chain, price);
}

void TColunas::deliverColumn(std::int32_t number, std::int32_t depot, std::int32_t phase,
                             const std::vector<std::int32_t>& chain, const TChainPrice& price) {
    if (auto past = price.fieldPast32Bits()) [[unlikely]] refuseColumnField(number, past->first, past->second);
#ifndef NDEBUG
    for (std::size_t position = 0; position < price.sharedTasks; ++position) {
        assert(!uncoveredTasks.contains(chain[position]));
    }
#endif
    TPricedColumn column;
    column.number = number;
    column.cost = static_cast<std::int32_t>(price.cost);
    column.depot = depot;
    column.workMinutes = static_cast<std::int32_t>(price.workMinutes);
    column.phase = phase;
    column.tasks = &chain;
    column.sharedTasks = price.sharedTasks;
    for (TColumnSink* sink : sinks) sink->add(column);
    // The shared part's tasks left the pool with the previous column.
    for (std::size_t position = price.sharedTasks; position < chain.size(); ++position) {
        uncoveredTasks.remove(chain[position]);
    }
}

}  // namespace gerador
