#pragma once

#include <cstdint>
#include <vector>

namespace gerador {

class TOutputFile;

// A solution of an instance: the columns chosen and, in the elastic model, the tasks left
// to their slacks.
struct TSolution {
    std::int64_t objective = 0;
    std::vector<std::int32_t> columns;      // column numbers (C<n>), ascending
    std::vector<std::int32_t> slackTasks;   // task numbers (S<n>), ascending
};

// Writes solution in the MIPLIB solution format: "=obj= <objective>", then one line
// "C<n> 1" per chosen column and "S<n> 1" per slack used.
void writeSolutionFile(TOutputFile& file, const TSolution& solution);

}  // namespace gerador
