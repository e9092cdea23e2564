#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "driver/stages.h"
#include "support/column_file_reader.h"

namespace gerador {

// A small generated instance: few tasks, short chains, every offered chain written.
struct TSmallInstance {
    const char* label;
    std::int32_t locationCount;
    std::int32_t count;
    std::uint32_t seed;  // of the tasks and of the columns
};

// Instances with and without an exact partition (checked by the exhaustive search).
extern const TSmallInstance kSmallInstances[5];

TSettings smallSettings(const TSmallInstance& instance);

// Runs the stages in the working folder with the console and warnings captured.
void runQuietly(const TSettings& settings);

// The least total cost of columns covering every task 1..taskCount exactly once
// (partition) or at least once (cover), by exhaustive search; none when no set does.
std::optional<std::int64_t> exhaustiveOptimum(std::int32_t taskCount, const std::vector<TTestColumn>& columns,
                                              TModel model);

}  // namespace gerador
