#include "driver/space_check.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <map>
#include <sys/statvfs.h>

#include "columns/chain_count.h"
#include "columns/columns.h"
#include "common/console.h"
#include "common/file_encoding.h"
#include "common/messages.h"
#include "common/output_target.h"
#include "driver/setting_table.h"
#include "tasks/tasks.h"

namespace gerador {

namespace {

double digitsOf(double value) {
    return std::floor(std::log10(std::max(value, 1.0))) + 1;
}

std::string sizeText(double bytes) {
    char text[32];
    const char* units[] = {"B", "kB", "MB", "GB", "TB", "PB"};
    int unit = 0;
    while (bytes >= 1000 && unit < 5) {
        bytes /= 1000;
        ++unit;
    }
    std::snprintf(text, sizeof text, "%.1f %s", bytes, units[unit]);
    return text;
}

}  // namespace

void checkBeforeTheColumns(const TSettings& settings, const TColunas& columns, const TTarefas& tasks,
                           const TInstanceGraph& graph, TConsole& console, const std::string& baseFolder) {
    const TChainCounts& counts = graph.chains;
    // Each offer is written when its draw passes: acceptPercent + 1 draws in 100.
    double written = static_cast<double>(counts.totalOffers) * std::min(columns.acceptPercent + 1, 100) / 100.0;
    double tasksEach =
        counts.totalOffers > 0 ? static_cast<double>(counts.totalTasks) / static_cast<double>(counts.totalOffers) : 0;
    auto offers = static_cast<long long>(counts.totalOffers);
    std::string estimate =
        counts.saturated ? tr("mais cadeias na fase 1 do que cabem em 64 bits, contadas no grafo de sucessoras")
                         : textf(trn("%lld cadeias na fase 1, contadas no grafo de sucessoras",
                                     "%lld cadeias na fase 1, contadas no grafo de sucessoras",
                                     static_cast<unsigned long>(offers)),
                                 offers);
    // Each offer is written when its own draw passes, so the first phase alone writes a
    // binomial count of columns: when its mean passes the 32-bit numbers by ten standard
    // deviations (every offer written: by any amount), the run certainly passes them, as it
    // would find after minutes of work and gigabytes of files. It stops now instead; so it
    // does past --max-columns when every offer is written (with draws, a run stopped there
    // is what its user asked for).
    double share = std::min(columns.acceptPercent + 1, 100) / 100.0;
    double spread = 10 * std::sqrt(static_cast<double>(counts.totalOffers) * share * (1 - share));
    std::string detail = " (" + estimate + ")";
    if (counts.saturated || written - spread > INT32_MAX) throw EColumnLimit(std::nullopt, detail);
    if (columns.writesEveryOffer() && written > settings.maxColumns) throw EColumnLimit(settings.maxColumns, detail);
    if (written > INT32_MAX) {
        console.message(warningText(textf(tr("a execução pode passar de %d colunas, o limite dos números de coluna (%s)."),
                                          INT32_MAX, estimate.c_str())));
    } else if (written > settings.maxColumns) {
        console.message(warningText(textf(tr("a execução pode passar de %d colunas, o limite de %s (%s), e então vai parar."),
                                          settings.maxColumns, optionOf<&TSettings::maxColumns>().c_str(),
                                          estimate.c_str())));
    }
    if (counts.saturated) return;
    // Bytes a column takes in each file, from its number, its fields and its tasks.
    double taskDigits = digitsOf(tasks.count) + 1;
    double numberDigits = digitsOf(written);
    std::vector<std::pair<std::string, double>> files;
    if (settings.columnWriteFile)
        files.emplace_back(settings.columnFileName, 20 + numberDigits + tasksEach * taskDigits);
    if (!settings.mpsFileName.empty()) {
        files.emplace_back(settings.mpsFileName,
                           14 + (tasksEach / 2 + 1) * (3 + numberDigits) + tasksEach * (taskDigits + 3));
    }
    if (!settings.orlibFileName.empty()) files.emplace_back(settings.orlibFileName, 8 + tasksEach * taskDigits);
    std::map<std::string, double> byFolder;  // folder, bytes
    for (const auto& [name, bytesEach] : files) {
        TOutputTarget target = resolveOutput(name, baseFolder);
        if (target.kind != TOutputTarget::TKind::replaced) continue;
        // Compressed files take about a fifth of the room.
        double bytes = written * bytesEach / (isGzipName(name) ? 5 : 1);
        byFolder[target.path.substr(0, target.path.find_last_of('/') + 1)] += bytes;
    }
    for (const auto& [folder, bytes] : byFolder) {
        struct statvfs space {};
        if (statvfs(folder.c_str(), &space) != 0) continue;
        double free = static_cast<double>(space.f_bavail) * static_cast<double>(space.f_frsize);
        if (bytes <= free) continue;
        console.message(warningText(textf(tr("os arquivos em %s teriam cerca de %s, e há %s livres (estimativa de %s; a "
                                             "fase 2 acrescenta mais): podem não caber. --max-columns limita a execução."),
                                          folder.c_str(), sizeText(bytes).c_str(), sizeText(free).c_str(),
                                          estimate.c_str())));
    }
}

}  // namespace gerador
