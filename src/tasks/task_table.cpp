#include "tasks/task_table.h"

#include <cmath>

#include "tasks/tasks.h"

namespace gerador {

std::vector<TTaskRow> taskTable(const TTarefas& tasks) {
    std::vector<TTaskRow> rows;
    auto count = static_cast<std::size_t>(std::max(tasks.count, 0));
    for (std::size_t index = 0; index < count && index < tasks.tasks.size(); ++index) {
        const TTarefa& task = tasks.tasks[index];
        TTaskRow row;
        row.number = static_cast<std::int32_t>(index + 1);
        row.origin = task.origin;
        row.destination = task.destination;
        row.start = isoInstant(task.start);
        row.end = isoInstant(task.end);
        // Both ends lie on quarter hours: the difference is whole minutes up to rounding.
        row.durationMinutes = std::llround((task.end - task.start) * 1440.0);
        row.cost = task.cost;
        row.startTask = task.origin <= tasks.depotCount;
        rows.push_back(row);
    }
    return rows;
}

}  // namespace gerador
