#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct TTarefa;

// What every output of a column run learns before the first column.
struct TColumnRunInfo {
    std::int32_t taskCount = 0;
    std::vector<double> depotWeights;          // depot d + 1 weighs depotWeights[d]
    const std::vector<TTarefa>* tasks = nullptr;  // the first taskCount are the run's, in task order
};

// One written column, priced and numbered.
struct TPricedColumn {
    std::int32_t number = 0;  // 1 for the first column of the run
    std::int32_t cost = 0;
    std::int32_t depot = 0;
    std::int32_t workMinutes = 0;
    std::int32_t phase = 1;  // 1: searched from a start task; 2: from a task still uncovered
    const std::vector<std::int32_t>* tasks = nullptr;  // task indices in chain order, never empty
    // Leading tasks equal to those of the previous column of the run; lets a text
    // writer keep the text of that shared part instead of formatting it again.
    std::size_t sharedTasks = 0;
};

// An output the column run feeds: begin, one add per column in order, end with the
// count, then commit. A sink destroyed without commit leaves no file of its own behind.
class TColumnSink {
public:
    virtual ~TColumnSink() = default;

    // Throws EFileError when the output cannot be created.
    virtual void begin(const TColumnRunInfo& run) = 0;
    virtual void add(const TPricedColumn& column) = 0;
    // Writes what is left; every write failure of the sink happens here at the latest.
    virtual void end(std::int32_t columnCount) = 0;
    // Gives the finished files their final names; the run calls it on every sink only
    // after every end() has returned, so a failure leaves none of the new files.
    virtual void commit() {}

    // The files written (final names) and their sizes in bytes, once end() has run.
    struct TWrittenFile {
        std::string name;
        std::uint64_t bytes = 0;
    };
    virtual std::vector<TWrittenFile> writtenFiles() const { return {}; }
};
