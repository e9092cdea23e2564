#include "columns/column_test_support.h"

namespace gerador {

TTarefa handTask(const std::string& start, const std::string& end, std::int32_t origin, std::int32_t destination,
                 std::int32_t cost) {
    TTarefa task;
    task.start = dateTimeFromText(start);
    task.end = dateTimeFromText(end);
    task.duration = task.end - task.start;
    task.origin = origin;
    task.destination = destination;
    task.cost = cost;
    return task;
}

TTarefas handTasks(std::vector<TTarefa> tasks, std::int32_t depotCount) {
    TTarefas generator;
    generator.count = static_cast<std::int32_t>(tasks.size());
    generator.depotCount = depotCount;
    generator.tasks = std::move(tasks);
    return generator;
}

}  // namespace gerador
