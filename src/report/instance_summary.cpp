#include "report/instance_summary.h"

#include <algorithm>

namespace gerador {

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

std::string verdictText(const TInstanceFacts& facts, TTextUse use) {
    const TPartitionVerdict& verdict = facts.verdict;
    switch (verdict.kind) {
        case TPartitionVerdict::TKind::uncoveredTask:
            return textf(tr("não há partição exata: nenhuma coluna cobre a tarefa %s.", use),
                         taskNumber(verdict.a).c_str());
        case TPartitionVerdict::TKind::neverTogetherPair:
            return textf(tr("não há partição exata: as tarefas %s e %s nunca estão numa mesma coluna, e toda coluna "
                            "com uma delas tem a tarefa %s, que uma partição cobriria duas vezes.",
                            use),
                         taskNumber(verdict.a).c_str(), taskNumber(verdict.b).c_str(), taskNumber(verdict.c).c_str());
        case TPartitionVerdict::TKind::noSimpleObstacle:
            break;
    }
    if (verdict.pairRuleSkipped) {
        return textf(tr("nenhuma tarefa descoberta; a regra dos pares não foi aplicada (%d tarefas: as contagens de "
                        "pares passariam de 64 MB): uma partição exata pode existir ou não.",
                        use),
                     facts.taskCount);
    }
    return tr("nenhum obstáculo simples encontrado: uma partição exata pode existir ou não; resolva a exportação MPS "
              "para saber.",
              use);
}

}  // namespace gerador
