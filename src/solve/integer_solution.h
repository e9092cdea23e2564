#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "common/exceptions.h"
#include "common/fault_hook.h"
#include "common/model.h"
#include "solve/master.h"

namespace gerador {

// What Cbc found over a set of columns.
struct TIntegerOutcome {
    bool found = false;
    bool proven = false;  // optimal over the columns it was given, or, not found, none exists
    std::int64_t objective = 0;
    std::vector<std::int32_t> columns;     // column numbers chosen
    std::vector<std::int32_t> slackTasks;  // task indices left to their slacks (elastic)
    std::int64_t nodes = 0;
};

// A known solution to start the search from: its columns' numbers and, in the elastic
// model, the tasks (indices) it leaves to their slacks.
struct TIntegerStart {
    std::vector<std::int32_t> columns;
    std::vector<std::int32_t> slackTasks;
};

// The integer search ended without a result: its process died (the library crashed).
class ESolverFailed : public Exception {
public:
    using Exception::Exception;
};

// Solves the integer program over columns (and, in the elastic model, a slack per task
// at slackCost) with Cbc within seconds, printing nothing; start, when its columns are
// all among columns, is a solution to start from. A quick search and the full one run in
// child processes when they can be started: one after the other, or side by side when
// beside; the outcome does not depend on which. Once interrupted is set (null: never),
// or when a signal a person sends (SIGINT, SIGTERM, SIGHUP) ends a search's process, the
// searches stop and it throws EInterrupted. Throws std::bad_alloc, ESolverFailed.
TIntegerOutcome solveInteger(const std::vector<TKeptColumn>& columns, std::int32_t taskCount, TModel model,
                             double slackCost, double seconds, const TIntegerStart& start, bool beside,
                             TFaultHook faultHook = nullptr, const std::atomic<bool>* interrupted = nullptr);

}  // namespace gerador
