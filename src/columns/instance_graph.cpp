#include "columns/instance_graph.h"

#include "columns/columns.h"

namespace gerador {

std::shared_ptr<const TInstanceGraph> buildInstanceGraph(const TTarefas& tasks, std::int32_t minTasks,
                                                         std::int32_t maxTasks) {
    TColunas builder;
    builder.buildSuccessorGraph(tasks);
    auto graph = std::make_shared<TInstanceGraph>();
    graph->successors = std::move(builder.successors);
    graph->startTasks = std::move(builder.startTasks);
    graph->minTasks = minTasks;
    graph->maxTasks = maxTasks;
    graph->chains = countChains(graph->successors, graph->startTasks, minTasks, maxTasks);
    return graph;
}

}  // namespace gerador
