#include "report/run_result.h"

#include <cstdio>

#include "common/messages.h"

namespace gerador {

namespace {

constexpr std::size_t kLeastShown = 5;  // least covered tasks named on the console

}  // namespace

std::string partitionText(const TRunResult& result, TTextUse use) {
    if (!result.planted) return verdictText(result.instance, use);
    return textf(tr("há partição exata, por construção: as %zu jornadas plantadas, de custo total %lld, um limite "
                    "superior do ótimo da partição.",
                    use),
                 result.planted->duties.size(), static_cast<long long>(result.planted->cost));
}

std::string partitionLine(const TRunResult& result) {
    return textf(tr("   Partição: %s\n\n"), partitionText(result).c_str());
}

std::string consoleSummary(const TRunResult& result) {
    const TInstanceFacts& facts = result.instance;
    std::string text = textf(trn("   Relatório: %lld coluna (%lld na fase 1, %lld na fase 2).\n",
                                 "   Relatório: %lld colunas (%lld na fase 1, %lld na fase 2).\n",
                                 static_cast<unsigned long>(facts.columnCount)),
                             static_cast<long long>(facts.columnCount), static_cast<long long>(facts.phaseColumns[0]),
                             static_cast<long long>(facts.phaseColumns[1]));
    const std::vector<std::int32_t>& least = facts.leastCovered;
    if (least.empty()) {
        text += tr("   Menor cobertura: não há tarefas.\n");
    } else {
        std::string tasks = taskListText(least, kLeastShown);
        text += textf(trn("   Menor cobertura: %lld colunas, tarefa %s.\n", "   Menor cobertura: %lld colunas, tarefas %s.\n",
                          least.size()),
                      static_cast<long long>(facts.leastCoverage), tasks.c_str());
    }
    return text + partitionLine(result);
}

std::string difficultyOf(const std::string& status, std::int64_t nodes) {
    if (status == "=opt=") return nodes == 0 ? "easy" : "medium";
    if (status == "=inf=") return "infeasible";
    return "hard";
}

std::string solveLine(const TSolveFacts& solve) {
    std::string objective = solve.objective ? std::to_string(*solve.objective) : tr("nenhuma solução");
    // A bound of a solve cut short is a weaker one than the LP's, and says so.
    std::string bound = !solve.bound ? (solve.status == "=inf=" ? tr("nenhum (o LP não tem solução)")
                                                                : tr("nenhum (o tempo acabou antes)"))
                        : solve.lpConverged || solve.status == "=inf="
                            ? std::to_string(*solve.bound)
                            : textf(tr("%lld (o LP não terminou no tempo)"), static_cast<long long>(*solve.bound));
    auto masterColumns = static_cast<long long>(solve.masterColumns);
    auto nodes = static_cast<long long>(solve.nodes);
    if (solve.gap) {
        return textf(tr("   Solução (%s): %s custo %s, limite %s, lacuna %.2f%%; %.1f s, %d passadas de preço, %lld "
                        "colunas no mestre, %lld nós.\n\n"),
                     solve.model.c_str(), solve.status.c_str(), objective.c_str(), bound.c_str(), *solve.gap * 100,
                     solve.seconds, solve.pricingPasses, masterColumns, nodes);
    }
    return textf(tr("   Solução (%s): %s custo %s, limite %s; %.1f s, %d passadas de preço, %lld colunas no mestre, "
                    "%lld nós.\n\n"),
                 solve.model.c_str(), solve.status.c_str(), objective.c_str(), bound.c_str(), solve.seconds,
                 solve.pricingPasses, masterColumns, nodes);
}

}  // namespace gerador
