#include "report/instance_summary.h"

#include <algorithm>

namespace {

std::string taskNumber(std::int32_t task) {
    return std::to_string(task + 1);
}

}  // namespace

void TValueRange::add(std::int64_t value) {
    min = std::min(min, value);
    max = std::max(max, value);
    sum += value;
}

void TInstanceSummary::begin(const TColumnRunInfo& run) {
    static_cast<TInstanceFacts&>(*this) = TInstanceFacts();
    taskCount = run.taskCount;
    depotCount = static_cast<std::int32_t>(run.depotWeights.size());
    tasks = run.tasks;
    check_.start(run.taskCount);
    depotColumns_ = nullptr;
    // A column holds each task at most once; the unused lengths are cut at the end.
    columnsByLength.assign(static_cast<std::size_t>(std::max(run.taskCount, 0)) + 1, 0);
}

void TInstanceSummary::add(const TPricedColumn& column) {
    const std::vector<std::int32_t>& chain = *column.tasks;
    ++columnCount;
    cost.add(column.cost);
    workMinutes.add(column.workMinutes);
    // Consecutive columns mostly come from one search, with one depot.
    if (depotColumns_ == nullptr || column.depot != lastDepot_) {
        lastDepot_ = column.depot;
        depotColumns_ = &columnsByDepot[lastDepot_];
    }
    ++*depotColumns_;
    ++phaseColumns[column.phase == 1 ? 0 : 1];
    ++columnsByLength[chain.size()];
    check_.add(column.sharedTasks, std::span(chain).subspan(column.sharedTasks));
}

void TInstanceSummary::end(std::int32_t) {
    while (!columnsByLength.empty() && columnsByLength.back() == 0) columnsByLength.pop_back();
    check_.finish();

    coverage = check_.coverage();
    verdict = check_.verdict();
    leastCoverage = coverage.empty() ? 0 : *std::min_element(coverage.begin(), coverage.end());
    for (std::size_t task = 0; task < coverage.size(); ++task) {
        auto index = static_cast<std::int32_t>(task);
        if (coverage[task] == leastCoverage) leastCovered.push_back(index);
        if (coverage[task] == 0) uncovered.push_back(index);
    }
}

std::string TInstanceSummary::verdictText() const {
    switch (verdict.kind) {
        case TPartitionVerdict::TKind::uncoveredTask:
            return "não há partição exata: nenhuma coluna cobre a tarefa " + taskNumber(verdict.a) + ".";
        case TPartitionVerdict::TKind::neverTogetherPair:
            return "não há partição exata: as tarefas " + taskNumber(verdict.a) + " e " + taskNumber(verdict.b) +
                   " nunca estão numa mesma coluna, e toda coluna com uma delas tem a tarefa " +
                   taskNumber(verdict.c) + ", que uma partição cobriria duas vezes.";
        case TPartitionVerdict::TKind::noSimpleObstacle:
            break;
    }
    return "nenhum obstáculo simples encontrado: uma partição exata pode existir ou não; "
           "resolva a exportação MPS para saber.";
}

std::string TInstanceSummary::consoleText() const {
    std::string text = "   Relatório: " + std::to_string(columnCount) + " colunas (";
    text += std::to_string(phaseColumns[0]) + " na fase 1, " + std::to_string(phaseColumns[1]) + " na fase 2).\n";
    if (leastCovered.empty()) {
        text += "   Menor cobertura: não há tarefas.\n";
    } else {
        text += "   Menor cobertura: " + std::to_string(leastCoverage) + " colunas, tarefa";
        text += leastCovered.size() > 1 ? "s " : " ";
        for (std::size_t shown = 0; shown < leastCovered.size() && shown < 5; ++shown) {
            if (shown > 0) text += ", ";
            text += taskNumber(leastCovered[shown]);
        }
        if (leastCovered.size() > 5) text += " e mais " + std::to_string(leastCovered.size() - 5);
        text += ".\n";
    }
    text += "   Partição: " + verdictText() + "\n\n";
    return text;
}
