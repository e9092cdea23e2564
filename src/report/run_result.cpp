#include "report/run_result.h"

#include <cstdio>

namespace gerador {

namespace {

constexpr std::size_t kLeastShown = 5;  // least covered tasks named on the console

}  // namespace

std::string partitionText(const TRunResult& result) {
    if (!result.planted) return verdictText(result.instance);
    return "há partição exata, por construção: as " + std::to_string(result.planted->duties.size()) +
           " jornadas plantadas, de custo total " + std::to_string(result.planted->cost) +
           ", um limite superior do ótimo da partição.";
}

std::string consoleSummary(const TRunResult& result) {
    const TInstanceFacts& facts = result.instance;
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
            text += std::to_string(least[shown] + 1);
        }
        if (least.size() > kLeastShown) text += " e mais " + std::to_string(least.size() - kLeastShown);
        text += ".\n";
    }
    text += "   Partição: " + partitionText(result) + "\n\n";
    return text;
}

std::string difficultyOf(const std::string& status, std::int64_t nodes) {
    if (status == "=opt=") return nodes == 0 ? "easy" : "medium";
    if (status == "=inf=") return "infeasible";
    return "hard";
}

std::string solveLine(const TSolveFacts& solve) {
    char text[512];
    std::string objective = solve.objective ? std::to_string(*solve.objective) : "nenhuma solução";
    std::string bound = solve.bound ? std::to_string(*solve.bound)
                        : solve.status == "=inf=" ? "nenhum (o LP não tem solução)"
                                                  : "nenhum (o tempo acabou antes)";
    // A bound of a solve cut short is a weaker one than the LP's, and says so.
    if (solve.bound && !solve.lpConverged && solve.status != "=inf=") bound += " (o LP não terminou no tempo)";
    std::string gap;
    if (solve.gap) {
        std::snprintf(text, sizeof text, ", lacuna %.2f%%", *solve.gap * 100);
        gap = text;
    }
    std::snprintf(text, sizeof text,
                  "   Solução (%s): %s custo %s, limite %s%s; %.1f s, %d passadas de preço, %lld colunas no mestre, "
                  "%lld nós.\n\n",
                  solve.model.c_str(), solve.status.c_str(), objective.c_str(), bound.c_str(), gap.c_str(),
                  solve.seconds, solve.pricingPasses, static_cast<long long>(solve.masterColumns),
                  static_cast<long long>(solve.nodes));
    return text;
}

}  // namespace gerador
