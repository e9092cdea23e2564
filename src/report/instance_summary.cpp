#include "report/instance_summary.h"

#include <algorithm>

namespace gerador {

namespace {

constexpr std::size_t kLeastShown = 5;  // least covered tasks named on the console

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
    facts_ = TInstanceFacts();
    facts_.taskCount = run.taskCount;
    facts_.depotCount = static_cast<std::int32_t>(run.depotWeights.size());
    facts_.tasks = run.tasks;
    check_.start(run.taskCount);
    depotColumns_ = nullptr;
    // A column holds each task at most once; the unused lengths are cut at the end.
    facts_.columnsByLength.assign(static_cast<std::size_t>(std::max(run.taskCount, 0)) + 1, 0);
}

void TInstanceSummary::add(const TPricedColumn& column) {
    ++facts_.columnCount;
    facts_.cost.add(column.cost);
    facts_.workMinutes.add(column.workMinutes);
    // Consecutive columns mostly come from one search, with one depot.
    if (depotColumns_ == nullptr || column.depot != lastDepot_) {
        lastDepot_ = column.depot;
        depotColumns_ = &facts_.columnsByDepot[lastDepot_];
    }
    ++*depotColumns_;
    ++facts_.phaseColumns[column.phase == 1 ? 0 : 1];
    ++facts_.columnsByLength[column.tasks->size()];
    check_.add(column);
}

void TInstanceSummary::end(std::int32_t) {
    std::vector<std::int64_t>& byLength = facts_.columnsByLength;
    while (!byLength.empty() && byLength.back() == 0) byLength.pop_back();
    check_.finish();

    facts_.coverage = check_.coverage();
    facts_.verdict = check_.verdict();
    const std::vector<std::int64_t>& coverage = facts_.coverage;
    facts_.leastCoverage = coverage.empty() ? 0 : *std::min_element(coverage.begin(), coverage.end());
    for (std::size_t task = 0; task < coverage.size(); ++task) {
        auto index = static_cast<std::int32_t>(task);
        if (coverage[task] == facts_.leastCoverage) facts_.leastCovered.push_back(index);
        if (coverage[task] == 0) facts_.uncovered.push_back(index);
    }
}

std::string verdictText(const TInstanceFacts& facts) {
    const TPartitionVerdict& verdict = facts.verdict;
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

std::string consoleSummary(const TInstanceFacts& facts) {
    std::string text = "   Relatório: " + std::to_string(facts.columnCount) + " colunas (";
    text += std::to_string(facts.phaseColumns[0]) + " na fase 1, " + std::to_string(facts.phaseColumns[1]) +
            " na fase 2).\n";
    const std::vector<std::int32_t>& least = facts.leastCovered;
    if (least.empty()) {
        text += "   Menor cobertura: não há tarefas.\n";
    } else {
        text += "   Menor cobertura: " + std::to_string(facts.leastCoverage) + " colunas, tarefa";
        text += least.size() > 1 ? "s " : " ";
        for (std::size_t shown = 0; shown < least.size() && shown < kLeastShown; ++shown) {
            if (shown > 0) text += ", ";
            text += taskNumber(least[shown]);
        }
        if (least.size() > kLeastShown) text += " e mais " + std::to_string(least.size() - kLeastShown);
        text += ".\n";
    }
    text += "   Partição: " + verdictText(facts) + "\n\n";
    return text;
}

}  // namespace gerador
