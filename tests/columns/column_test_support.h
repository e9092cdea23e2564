#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tasks/tasks.h"

namespace gerador {

// A task made by hand; times are "DD/MM/YYYY HH:mm" texts.
TTarefa handTask(const std::string& start, const std::string& end, std::int32_t origin, std::int32_t destination,
                 std::int32_t cost = 0);

// A task generator holding exactly the given tasks.
TTarefas handTasks(std::vector<TTarefa> tasks, std::int32_t depotCount);

}  // namespace gerador
