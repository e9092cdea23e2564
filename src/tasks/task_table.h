#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace gerador {

class TTarefas;

// One task as a row of a table for other programs: explicit numbers, ISO 8601 times.
struct TTaskRow {
    std::int32_t number = 0;  // index + 1, as in the task and column files
    std::int32_t origin = 0;
    std::int32_t destination = 0;
    std::string start;  // "2006-01-01T08:00"
    std::string end;
    std::int64_t durationMinutes = 0;
    std::int32_t cost = 0;
    bool startTask = false;  // leaves from a depot: a search of the first phase starts there
};

// The run's tasks (the first count), in task order.
std::vector<TTaskRow> taskTable(const TTarefas& tasks);

}  // namespace gerador
