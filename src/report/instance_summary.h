#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "columns/column_sink.h"
#include "common/messages.h"
#include "report/partition_check.h"

namespace gerador {

// The smallest, largest and total of a value over the columns.
struct TValueRange {
    std::int64_t min = INT64_MAX;
    std::int64_t max = INT64_MIN;
    std::int64_t sum = 0;
    void add(std::int64_t value);
};

// What the summary of a run gathers.
struct TInstanceFacts {
    std::int32_t taskCount = 0;
    std::int32_t depotCount = 0;
    const std::vector<TTarefa>* tasks = nullptr;  // the first taskCount are the run's
    std::int64_t columnCount = 0;
    std::int64_t phaseColumns[2] = {0, 0};      // searched from start tasks, from uncovered tasks
    std::vector<std::int64_t> columnsByLength;  // by number of tasks
    std::map<std::int32_t, std::int64_t> columnsByDepot;
    TValueRange cost;
    TValueRange workMinutes;
    // After end():
    std::vector<std::int64_t> coverage;      // by task index
    std::int64_t leastCoverage = 0;
    std::vector<std::int32_t> leastCovered;  // task indices with leastCoverage columns
    std::vector<std::int32_t> uncovered;     // task indices no column holds
    TPartitionVerdict verdict;
};

// The verdict in one sentence, naming the tasks by number (index + 1): in the chosen
// language for a reader, in Portuguese for a file.
std::string verdictText(const TInstanceFacts& facts, TTextUse use = TTextUse::reader);

// Gathers the facts of a column run while the columns stream by, with memory in the
// number of tasks: counts by phase, length and depot, cost and minutes, the coverage of
// each task and the partition verdict.
class TInstanceSummary : public TColumnSink {
public:
    void begin(const TColumnRunInfo& run) override;
    void add(const TPricedColumn& column) override;
    void end(std::int32_t columnCount) override;

    // Complete once end() has run.
    const TInstanceFacts& facts() const { return facts_; }

private:
    TInstanceFacts facts_;
    TPartitionCheck check_;
    std::int32_t lastDepot_ = 0;
    std::int64_t* depotColumns_ = nullptr;  // entry of lastDepot_ in columnsByDepot
};

}  // namespace gerador
