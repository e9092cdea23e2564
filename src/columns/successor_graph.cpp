#include "columns/columns.h"

#include <algorithm>
#include <unordered_map>

#include "common/messages.h"
#include "common/exceptions.h"
#include "tasks/tasks.h"

namespace gerador {

std::size_t checkedTaskCount(const TTarefas& tasks) {
    requireParameter(tasks.count >= 0 && static_cast<std::size_t>(tasks.count) <= tasks.tasks.size(), "count",
                     tasks.count, textf(tr("deve ficar entre 0 e o número de tarefas geradas, %zu"),
                                        tasks.tasks.size()));
    return static_cast<std::size_t>(tasks.count);
}

void TColunas::buildSuccessorGraph(const TTarefas& tasks) {
    std::size_t taskCount = checkedTaskCount(tasks);
    successors.assign(taskCount, {});
    startTasks.clear();
    // The tasks leaving from each place, in task order, which is the order of their starts.
    std::unordered_map<std::int32_t, std::vector<std::int32_t>> leavingFrom;
    for (std::size_t j = 0; j < taskCount; ++j) {
        leavingFrom[tasks.tasks[j].origin].push_back(static_cast<std::int32_t>(j));
    }
    // A successor starts where the task ends, strictly after it ends: the tail of that
    // place's list from the first such start. Starting after the task ends, it also stands
    // later in the order, so the lists come out ascending as a scan of every pair gives them.
    for (std::size_t i = 0; i < taskCount; ++i) {
        const TTarefa& task = tasks.tasks[i];
        auto place = leavingFrom.find(task.destination);
        if (place != leavingFrom.end()) {
            const std::vector<std::int32_t>& leaving = place->second;
            auto first = std::upper_bound(leaving.begin(), leaving.end(), task.end, [&](TDateTime end, std::int32_t j) {
                return end < tasks.tasks[static_cast<std::size_t>(j)].start;
            });
            successors[i].assign(first, leaving.end());
        }
        if (task.origin <= tasks.depotCount) startTasks.push_back(static_cast<std::int32_t>(i));
    }
}

}  // namespace gerador
