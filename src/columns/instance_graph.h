#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "columns/chain_count.h"
#include "columns/chain_search.h"

namespace gerador {

class TTarefas;

// What the column run needs of an instance's tasks before it searches: the successor
// graph, the start tasks and the first phase's chain counts. Built once per instance and
// shared, read only, by the check before the run, the search threads and every pricing pass.
struct TInstanceGraph {
    TSuccessorLists successors;          // by task index, ascending
    std::vector<std::int32_t> startTasks;  // tasks leaving from a depot, ascending
    std::int32_t minTasks = 0;           // the bounds the counts were made for
    std::int32_t maxTasks = 0;
    TChainCounts chains;                 // offers of each start task's search
};

// Builds the graph of tasks (see TColunas::buildSuccessorGraph) and counts its chains of
// more than minTasks and at most maxTasks tasks.
// Throws EParameterError for a task count outside the tasks.
std::shared_ptr<const TInstanceGraph> buildInstanceGraph(const TTarefas& tasks, std::int32_t minTasks,
                                                         std::int32_t maxTasks);

}  // namespace gerador
