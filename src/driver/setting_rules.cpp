#include "driver/setting_rules.h"

#include <cstdio>

#include "common/messages.h"
#include "common/model.h"
#include "driver/setting_table.h"
#include "solve/solver.h"
#include "tasks/planted_duties.h"

namespace gerador {

namespace {

// Length of the UTF-8 sequence at text[at], or 0 when the bytes there are not one.
std::size_t utf8Length(std::string_view text, std::size_t at) {
    auto byte = static_cast<unsigned char>(text[at]);
    std::size_t length = byte < 0x80           ? 1
                         : (byte >> 5) == 0x6  ? 2
                         : (byte >> 4) == 0xE  ? 3
                         : (byte >> 3) == 0x1E ? 4
                                               : 0;
    if (length == 0 || at + length > text.size()) return 0;
    for (std::size_t next = 1; next < length; ++next) {
        if ((static_cast<unsigned char>(text[at + next]) >> 6) != 0x2) return 0;
    }
    return length;
}

// A range whose lowest value passes its highest: the draws would leave the documented bounds.
template <auto kLow, auto kHigh>
std::string invertedRange(bool refused, const std::string& low, const std::string& high) {
    if (!refused) return "";
    return textf(tr("%s %s: deve ser ao menos %s, %s"), optionOf<kHigh>().c_str(), high.c_str(),
                 optionOf<kLow>().c_str(), low.c_str());
}

const TSettingRule kRules[] = {
    {"the depots are locations",
     [](const TSettings& settings) -> std::string {
         if (settings.depotCount <= settings.locationCount) return "";
         return textf(tr("%s %d: deve ficar entre 2 e o número de locais, %d"),
                      optionOf<&TSettings::depotCount>().c_str(), settings.depotCount, settings.locationCount);
     }},
    {"distances are drawn from the lowest up to the highest",
     [](const TSettings& settings) {
         return invertedRange<&TSettings::minDistance, &TSettings::maxDistance>(
             settings.minDistance > settings.maxDistance, std::to_string(settings.minDistance),
             std::to_string(settings.maxDistance));
     }},
    {"extra costs are drawn from the lowest up to the highest",
     [](const TSettings& settings) {
         return invertedRange<&TSettings::extraCostMin, &TSettings::extraCostMax>(
             settings.extraCostMin > settings.extraCostMax, std::to_string(settings.extraCostMin),
             std::to_string(settings.extraCostMax));
     }},
    {"the window ends after it starts",
     [](const TSettings& settings) -> std::string {
         if (settings.windowEnd > settings.windowStart) return "";
         return textf(tr("%s %s: deve ficar depois de %s, %s"), optionOf<&TSettings::windowEnd>().c_str(),
                      textFromDateTime(settings.windowEnd, "DD/MM/YYYY HH:mm").c_str(),
                      optionOf<&TSettings::windowStart>().c_str(),
                      textFromDateTime(settings.windowStart, "DD/MM/YYYY HH:mm").c_str());
     }},
    {"a column can hold more than the fewest tasks and at most the most",
     [](const TSettings& settings) -> std::string {
         if (settings.minTasks < settings.maxTasks) return "";
         return textf(tr("%s %d: deve passar de %s, %d (uma coluna tem mais tarefas que este e no máximo aquele)"),
                      optionOf<&TSettings::maxTasks>().c_str(), settings.maxTasks,
                      optionOf<&TSettings::minTasks>().c_str(), settings.minTasks);
     }},
    {"a model other than the partition has something to act on",
     [](const TSettings& settings) -> std::string {
         bool checking = !settings.checkSolutionFileName.empty();
         if (settings.model == TModel::partition || !settings.mpsFileName.empty() || settings.solve || checking)
             return "";
         return textf(tr("%s %s: só vale com %s, %s ou %s, e nenhum foi pedido"),
                      optionOf<&TSettings::model>().c_str(), std::string(modelName(settings.model)).c_str(),
                      optionOf<&TSettings::mpsFileName>().c_str(), optionOf<&TSettings::solve>().c_str(),
                      optionOf<&TSettings::checkSolutionFileName>().c_str());
     }},
    {"a solve needs the solver in the build",
     [](const TSettings& settings) -> std::string {
         if (!settings.solve || solverAvailable()) return "";
         return textf(tr("%s: este programa foi compilado sem Clp e Cbc"), optionOf<&TSettings::solve>().c_str());
     }},
    {"a check reads a solution and the instance it belongs to, and writes nothing",
     [](const TSettings& settings) -> std::string {
         if (settings.checkSolutionFileName.empty()) return "";
         for (const auto& [option, name] : outputsOf(settings)) {
             if (option == optionOf<&TSettings::columnFileName>()) continue;
             return textf(tr("%s não grava arquivos: tire %s"), optionOf<&TSettings::checkSolutionFileName>().c_str(),
                          option.c_str());
         }
         if (!settings.solve) return "";
         return textf(tr("%s não resolve: tire %s"), optionOf<&TSettings::checkSolutionFileName>().c_str(),
                      optionOf<&TSettings::solve>().c_str());
     }},
    {"the uncovered cost prices the elastic model's slacks",
     [](const TSettings& settings) -> std::string {
         if (!settings.uncoveredCost || settings.model == TModel::elastic) return "";
         return textf(tr("%s %lld: só vale com %s elastic"), optionOf<&TSettings::uncoveredCost>().c_str(),
                      static_cast<long long>(*settings.uncoveredCost), optionOf<&TSettings::model>().c_str());
     }},
    {"the planted tasks split into duties",
     [](const TSettings& settings) -> std::string {
         std::int32_t shortest = plantedDutyMinimum(settings);
         if (!settings.plant || splitsIntoDuties(settings.count, shortest, settings.maxTasks)) return "";
         return textf(tr("%s: %d tarefas não se dividem em jornadas de %d a %d tarefas (de %s + 1, e ao menos 2, "
                         "a %s)"),
                      optionOf<&TSettings::plant>().c_str(), settings.count, shortest, settings.maxTasks,
                      optionOf<&TSettings::minTasks>().c_str(), optionOf<&TSettings::maxTasks>().c_str());
     }},
    {"a trace follows a solve",
     [](const TSettings& settings) -> std::string {
         if (settings.solveTraceFileName.empty() || settings.solve) return "";
         return textf(tr("%s %s: só vale com %s"), optionOf<&TSettings::solveTraceFileName>().c_str(),
                      shownWord(settings.solveTraceFileName).c_str(), optionOf<&TSettings::solve>().c_str());
     }},
    {"a solution file has a solution to hold",
     [](const TSettings& settings) -> std::string {
         if (settings.solutionFileName.empty() || settings.plant || settings.solve) return "";
         return textf(tr("%s %s: não há solução a gravar sem %s ou %s"),
                      optionOf<&TSettings::solutionFileName>().c_str(), shownWord(settings.solutionFileName).c_str(),
                      optionOf<&TSettings::plant>().c_str(), optionOf<&TSettings::solve>().c_str());
     }},
    {"a part or a merge belongs to a series",
     [](const TSettings& settings) -> std::string {
         if (settings.seriesCount > 0) return "";
         if (settings.shard.count > 0) {
             return textf(tr("%s: só vale com %s"), optionOf<&TSettings::shard>().c_str(),
                          optionOf<&TSettings::seriesCount>().c_str());
         }
         if (!settings.mergeFolder.empty()) {
             return textf(tr("%s: só vale com %s e as opções da série"), optionOf<&TSettings::mergeFolder>().c_str(),
                          optionOf<&TSettings::seriesCount>().c_str());
         }
         return "";
     }},
    {"a merge makes nothing",
     [](const TSettings& settings) -> std::string {
         if (settings.mergeFolder.empty() || settings.shard.count == 0) return "";
         return textf(tr("%s não gera instâncias: tire %s"), optionOf<&TSettings::mergeFolder>().c_str(),
                      optionOf<&TSettings::shard>().c_str());
     }},
    {"the seeds of a series do not wrap",
     [](const TSettings& settings) -> std::string {
         // Instance k adds k - 1 to each seed; past 4294967295 it would repeat instance 1's.
         if (settings.seriesCount == 0) return "";
         auto last = static_cast<std::uint64_t>(settings.seriesCount - 1);
         const std::pair<std::uint32_t, std::string> seeds[] = {
             {settings.tripSeed, optionOf<&TSettings::tripSeed>()},
             {settings.taskSeed, optionOf<&TSettings::taskSeed>()},
             {settings.columnSeed, optionOf<&TSettings::columnSeed>()}};
         for (const auto& [seed, option] : seeds) {
             if (seed + last <= UINT32_MAX) continue;
             return textf(tr("%s %d: a semente da última instância passaria de 4294967295 (%s %u)"),
                          optionOf<&TSettings::seriesCount>().c_str(), settings.seriesCount, option.c_str(), seed);
         }
         return "";
     }},
};

}  // namespace

std::string shownWord(std::string_view word) {
    constexpr std::size_t kShownBytes = 60;
    std::string shown;
    std::size_t at = 0;
    while (at < word.size() && shown.size() < kShownBytes) {
        std::size_t length = utf8Length(word, at);
        auto byte = static_cast<unsigned char>(word[at]);
        if (length == 0 || byte < 0x20 || byte == 0x7F) {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            shown += escaped;
            ++at;
        } else {
            shown.append(word.substr(at, length));
            at += length;
        }
    }
    if (at < word.size()) shown += "… (" + std::to_string(word.size()) + " bytes)";
    return shown;
}

// Every file the run would write: the option that names it and its name.
std::vector<std::pair<std::string, std::string>> outputsOf(const TSettings& settings) {
    std::vector<std::pair<std::string, std::string>> outputs;
    for (const TSettingRow& row : settingRows()) {
        if (row.writesFlag != nullptr && settings.*row.writesFlag) {
            // Errors about the file name the option that names it.
            const char* option = row.writesFileOption != nullptr ? row.writesFileOption : row.name;
            outputs.emplace_back("--" + std::string(option), row.writesFile(settings));
        }
        if (row.outputFile != nullptr && !(settings.*row.outputFile).empty()) {
            outputs.emplace_back("--" + std::string(row.name), settings.*row.outputFile);
        }
    }
    return outputs;
}


std::span<const TSettingRule> settingRules() {
    return kRules;
}

std::optional<std::string> settingsProblem(const TSettings& settings) {
    for (const TSettingRule& rule : kRules) {
        std::string problem = rule.problem(settings);
        if (!problem.empty()) return problem;
    }
    return std::nullopt;
}

}  // namespace gerador
