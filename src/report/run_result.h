#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/run_files.h"
#include "report/instance_summary.h"

namespace gerador {

class TViagens;
class TTarefas;

// The planted duties of a run and the columns that hold them.
struct TPlantedResult {
    std::vector<std::vector<std::int32_t>> duties;  // task indices of each duty, in chain order
    std::vector<std::int32_t> columns;              // the column number of each duty
    std::int64_t cost = 0;                          // of those columns together
};

// What solving the instance found, as the report and the console give it.
struct TSolveFacts {
    std::string model;
    std::string status;  // in the words of MIPLIB: "=opt=", "=best=", "=inf=", "=unkn="
    std::optional<std::int64_t> objective;
    std::optional<std::int64_t> bound;
    std::optional<double> lpValue;  // none when the LP did not converge in time
    bool lpConverged = false;
    std::optional<double> gap;
    double seconds = 0;
    std::int32_t pricingPasses = 0;
    std::int64_t masterColumns = 0;
    std::int64_t nodes = 0;
    double lpSeconds = 0;       // of the column generation
    double integerSeconds = 0;  // of the integer search and its proof
    // (objective - LP optimum) / |objective|: what the LP leaves to branching.
    std::optional<double> rootGap;
    // "easy": optimal at the root (no branching); "medium": optimal after branching;
    // "hard": a gap or no solution left when the time ran out; "infeasible".
    std::string difficulty;
};

// The difficulty word of a solve's status and Cbc's node count.
std::string difficultyOf(const std::string& status, std::int64_t nodes);

// What a run produced, for what is written after its columns (the report, the picture,
// the solution): the facts of the instance and the files written so far.
struct TRunResult {
    const TViagens* trips = nullptr;
    const TTarefas* tasks = nullptr;
    TInstanceFacts instance;  // gathered when the report or the picture asks for them
    std::optional<TPlantedResult> planted;
    std::optional<std::int64_t> uncoveredCost;  // of the elastic model's slacks, when written
    std::optional<TSolveFacts> solve;
    std::vector<TWrittenFile> files;            // final names and sizes, in the order they were written
    std::chrono::steady_clock::time_point started;
};

// Whether the instance has an exact partition, in one sentence: the planted one, or the
// verdict of the partition check. In the chosen language for a reader, Portuguese for a file.
std::string partitionText(const TRunResult& result, TTextUse use = TTextUse::reader);

// The line "   Partição: <sentence>" and an empty line, for the console.
std::string partitionLine(const TRunResult& result);

// The lines printed after the closing lines of the column run with a report.
std::string consoleSummary(const TRunResult& result);

// The one line that tells what solving found.
std::string solveLine(const TSolveFacts& solve);

}  // namespace gerador
