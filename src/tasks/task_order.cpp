#include "tasks/task_order.h"

#include <algorithm>

#include "tasks/tasks.h"

namespace gerador {

bool taskBefore(const TTarefa& a, const TTarefa& b) {
    if (a.start < b.start) return true;
    return a.start == b.start && a.end < b.end;
}

void sortTasks(std::vector<TTarefa>& tasks) {
    std::stable_sort(tasks.begin(), tasks.end(), taskBefore);
}

}  // namespace gerador
