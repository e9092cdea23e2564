#include "tasks/planted_duties.h"

#include <algorithm>
#include <cassert>
#include <vector>

#include "common/random_source.h"
#include "tasks/task_draws.h"
#include "tasks/task_order.h"
#include "tasks/tasks.h"
#include "trips/trips.h"

namespace gerador {

namespace {

constexpr double kQuarterHour = 1.0 / 96.0;
constexpr std::int32_t kLongestGapQuarters = 4;

// A drawn task with the duty it belongs to, so that the duties survive the ordering.
struct TDutyTask {
    TTarefa task;
    std::int32_t duty;
};

// The value of an instant close to a quarter hour, exactly on it: through its text, as
// every start and end of a task is made.
TDateTime onQuarterHour(TDateTime nearQuarter) {
    return dateTimeFromText(textFromDateTime(nearQuarter + 1.0 / 2880.0, "DD/MM/YYYY HH:mm"));
}

std::int32_t drawDutyLength(randomsource::TRandomStream& source, std::int32_t remaining, std::int32_t minLength,
                            std::int32_t maxLength) {
    std::vector<std::int32_t> lengths;
    for (std::int32_t length = minLength; length <= std::min(maxLength, remaining); ++length) {
        if (splitsIntoDuties(remaining - length, minLength, maxLength)) lengths.push_back(length);
    }
    assert(!lengths.empty());
    return lengths[static_cast<std::size_t>(source.lrand()) % lengths.size()];
}

}  // namespace

bool splitsIntoDuties(std::int32_t count, std::int32_t minLength, std::int32_t maxLength) {
    if (count == 0) return true;
    if (minLength < 1 || maxLength < minLength) return false;
    // k duties hold k * minLength to k * maxLength tasks.
    std::int64_t fewestDuties = (std::int64_t{count} + maxLength - 1) / maxLength;
    return fewestDuties * minLength <= count;
}

void drawPlantedDuties(TTarefas& generator, const TViagens& trips) {
    randomsource::TRandomStream source(generator.seed);
    std::vector<TDutyTask> drawn;
    drawn.reserve(static_cast<std::size_t>(generator.count));
    std::int32_t duty = 0;
    for (std::int32_t remaining = generator.count; remaining > 0; ++duty) {
        std::int32_t length = drawDutyLength(source, remaining, generator.dutyMinTasks, generator.dutyMaxTasks);
        remaining -= length;
        for (std::int32_t position = 0; position < length; ++position) {
            TTarefa task;
            if (position == 0) {
                task.origin = drawLocation(source, generator.depotCount);
            } else {
                task.origin = drawn.back().task.destination;
            }
            const TViagem& trip = drawLeg(source, generator, trips, task);
            if (position == 0) {
                task.start = startOnQuarterHour(rawStartOf(generator, source.randFraction()));
            } else {
                auto gapQuarters = static_cast<double>(source.drawInRange(1, kLongestGapQuarters + 1));
                task.start = onQuarterHour(drawn.back().task.end + gapQuarters * kQuarterHour);
            }
            task.end = endOnQuarterHour(task.start + trip.travelTime);
            task.duration = task.end - task.start;
            drawn.push_back({task, duty});
        }
    }
    std::stable_sort(drawn.begin(), drawn.end(),
                     [](const TDutyTask& a, const TDutyTask& b) { return taskBefore(a.task, b.task); });
    generator.plantedDuties.assign(static_cast<std::size_t>(duty), {});
    for (const TDutyTask& entry : drawn) {
        generator.plantedDuties[static_cast<std::size_t>(entry.duty)].push_back(
            static_cast<std::int32_t>(generator.tasks.size()));
        generator.tasks.push_back(entry.task);
    }
}

}  // namespace gerador
