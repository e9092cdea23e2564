#include "columns/columns.h"

#include "common/exceptions.h"
#include "tasks/tasks.h"

namespace gerador {

std::size_t checkedTaskCount(const TTarefas& tasks) {
    requireParameter(tasks.count >= 0 && static_cast<std::size_t>(tasks.count) <= tasks.tasks.size(), "count",
                     tasks.count, "deve ficar entre 0 e o número de tarefas geradas, " +
                                      std::to_string(tasks.tasks.size()));
    return static_cast<std::size_t>(tasks.count);
}

void TColunas::buildSuccessorGraph(const TTarefas& tasks) {
    std::size_t taskCount = checkedTaskCount(tasks);
    successors.assign(taskCount, {});
    startTasks.clear();
    // Tasks are ordered by start and end no earlier than they start, so a successor can
    // only stand later in the order.
    for (std::size_t i = 0; i < taskCount; ++i) {
        const TTarefa& task = tasks.tasks[i];
        for (std::size_t j = i + 1; j < taskCount; ++j) {
            const TTarefa& candidate = tasks.tasks[j];
            if (candidate.start > task.end && candidate.origin == task.destination) {
                successors[i].push_back(static_cast<std::int32_t>(j));
            }
        }
        if (task.origin <= tasks.depotCount) startTasks.push_back(static_cast<std::int32_t>(i));
    }
}

}  // namespace gerador
