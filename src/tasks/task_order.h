#pragma once

#include <vector>

namespace gerador {

struct TTarefa;

// True when a stands before b: earlier start, or the same start and an earlier end.
bool taskBefore(const TTarefa& a, const TTarefa& b);

// Orders tasks under taskBefore. Stable, so tasks with the same start and end keep the
// order in which they were drawn and the file is the same with every standard library.
void sortTasks(std::vector<TTarefa>& tasks);

}  // namespace gerador
