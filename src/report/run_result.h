#pragma once

#include <chrono>
#include <vector>

#include "common/run_files.h"
#include "report/instance_summary.h"

namespace gerador {

// What a run produced, for what is written after its columns (the report, the picture):
// the facts of the instance and the files written so far.
struct TRunResult {
    TInstanceFacts instance;
    std::vector<TWrittenFile> files;  // final names and sizes, in the order they were written
    std::chrono::steady_clock::time_point started;
};

}  // namespace gerador
