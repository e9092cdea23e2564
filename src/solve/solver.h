#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "common/model.h"
#include "exports/solution_file.h"

namespace gerador {

class TTarefas;
class TColunas;

// What is known of an instance's optimum, in the words benchmark libraries use.
enum class TSolveStatus {
    optimal,     // the integer objective is proven optimal over all columns
    feasible,    // a solution is known, with a gap to the bound
    infeasible,  // no solution exists (the LP relaxation has none, or a certificate says so)
    unknown,     // no solution found in time
};

// "=opt=", "=best=", "=inf=", "=unkn=".
inline const char* statusWord(TSolveStatus status) {
    switch (status) {
        case TSolveStatus::optimal: return "=opt=";
        case TSolveStatus::feasible: return "=best=";
        case TSolveStatus::infeasible: return "=inf=";
        case TSolveStatus::unknown: break;
    }
    return "=unkn=";
}

struct TSolveOptions {
    TModel model = TModel::partition;
    double seconds = 60;                        // for the integer solution
    std::optional<std::int64_t> uncoveredCost;  // of the elastic slacks; none: the default
    std::optional<TSolution> start;             // a known solution (planted), to start from
    bool partitionImpossible = false;           // a certificate says no exact partition exists
};

struct TSolveResult {
    TSolveStatus status = TSolveStatus::unknown;
    std::optional<double> lpValue;       // the LP optimum over all columns
    std::optional<std::int64_t> bound;   // the LP optimum rounded up: costs are integers
    std::optional<std::int64_t> objective;
    std::optional<double> gap;           // (objective - bound) / |objective|
    double seconds = 0;
    std::int32_t pricingPasses = 0;      // enumerations of the columns
    std::int64_t masterColumns = 0;      // columns the master LP held at the end
    std::int64_t nodes = 0;              // of Cbc's search
    std::int64_t uncoveredCost = 0;      // the elastic slacks' cost used
    TSolution solution;                  // the best, when there is one
};

// Whether this build has the solver (Clp and Cbc).
bool solverAvailable();

// The LP bound over all columns by column generation, pricing by re-running the column
// enumeration of columnSettings over tasks (nothing written), and an integer solution by
// Cbc on the columns generated, within options.seconds. Memory grows with the columns the
// master holds, not with the instance's.
// Requires: solverAvailable(); tasks generated; columnSettings as the run's.
TSolveResult solveInstance(const TTarefas& tasks, const TColunas& columnSettings, const TSolveOptions& options);

}  // namespace gerador
