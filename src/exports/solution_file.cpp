// Writes a solution as MIPLIB solution files are written:
// - "=obj= <objective>";
// - one line "C<n> 1" per chosen column n, ascending;
// - one line "S<n> 1" per task n left to its slack (elastic model), ascending.
#include "exports/solution_file.h"

#include <string>

#include "common/output_file.h"

namespace gerador {

void writeSolutionFile(TOutputFile& file, const TSolution& solution) {
    std::string text = "=obj= " + std::to_string(solution.objective) + "\n";
    for (std::int32_t column : solution.columns) text += "C" + std::to_string(column) + " 1\n";
    for (std::int32_t task : solution.slackTasks) text += "S" + std::to_string(task) + " 1\n";
    file.write(text);
}

}  // namespace gerador
