// Writes "arquivos/tarefas.txt":
// - line 1: the number of tasks; line 2: the number of locations;
// - then one line per task, in order: its number (from 1), start and end as
//   "DD/MM/YYYY HH:mm", duration as "HH:mm", origin, destination and cost.
#include "tasks/tasks.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <string>

#include "common/messages.h"
#include "common/console.h"
#include "common/exceptions.h"
#include "common/run_files.h"
#include "common/random_source.h"
#include "common/run_environment.h"
#include "tasks/planted_duties.h"
#include "tasks/task_draws.h"
#include "tasks/task_order.h"
#include "trips/trips.h"

namespace gerador {

namespace {

constexpr double kOneHour = 1.0 / 24.0;

// Days from 30 December 1899 to 1 January of year 1, and to 1 January 10000: every date
// a task's text form takes must lie between them.
constexpr double kFirstDay = -693593.0;
constexpr double kDayAfterLast = 2958466.0;

std::uint16_t minuteOf(TDateTime value) {
    std::uint16_t hour, minute, second, millisecond;
    splitTime(value, hour, minute, second, millisecond);
    return minute;
}

// The value's date and hour with a new minute, read back from text.
TDateTime withMinute(TDateTime value, int minute) {
    return dateTimeFromText(textFromDateTime(value, "DD/MM/YYYY HH:") + std::to_string(minute));
}

std::string textOfInstant(TDateTime value) {
    bool hasDate = value >= kFirstDay && value < kDayAfterLast - 1.0 / 86400000.0;
    return hasDate ? textFromDateTime(value, "DD/MM/YYYY HH:mm") : textOfDouble(value);
}

std::string textOfDuration(TDateTime value) {
    return value >= 0.0 && value < 1.0 ? textFromDateTime(value, "HH:mm") : textOfDouble(value);
}

// Lowest and highest trip cost and the longest travel time between two different locations.
struct TTripExtremes {
    std::int64_t lowestCost = 0;
    std::int64_t highestCost = 0;
    double longestTravel = 0.0;
};

TTripExtremes extremesOf(const TViagens& trips) {
    TTripExtremes extremes{INT32_MAX, INT32_MIN, 0.0};
    for (std::size_t origin = 0; origin < trips.trips.size(); ++origin) {
        for (std::size_t destination = 0; destination < trips.trips.size(); ++destination) {
            if (origin == destination) continue;
            const TViagem& trip = trips.trips[origin][destination];
            extremes.lowestCost = std::min<std::int64_t>(extremes.lowestCost, trip.cost);
            extremes.highestCost = std::max<std::int64_t>(extremes.highestCost, trip.cost);
            extremes.longestTravel = std::max<double>(extremes.longestTravel, trip.travelTime);
        }
    }
    return extremes;
}

// Every start and end is built through a "DD/MM/YYYY HH:" text, so the window must keep
// them in years 1 to 9999; the setting that pushes them out is named.
void checkWindow(const TTarefas& parameters, double longestTravel) {
    // libc++'s isfinite takes arithmetic types only, so the day counts are given as doubles.
    const double windowStart = parameters.windowStart;
    const double windowEnd = parameters.windowEnd;
    const double maxDuration = parameters.maxDuration;
    requireParameter(std::isfinite(windowStart) && windowStart >= kFirstDay && windowStart < kDayAfterLast,
                     "windowStart", textOfInstant(parameters.windowStart), tr("deve ficar entre os anos 1 e 9999"));
    requireParameter(std::isfinite(windowEnd), "windowEnd", textOfDouble(windowEnd), tr("deve ser um número finito"));
    requireParameter(std::isfinite(maxDuration), "maxDuration", textOfDouble(maxDuration),
                     tr("deve ser um número finito"));
    double firstRawStart = rawStartOf(parameters, 0.0);
    double lastRawStart = rawStartOf(parameters, 1.0);
    requireParameter(lastRawStart >= kFirstDay, "maxDuration", textOfDuration(parameters.maxDuration),
                     textf(tr("windowEnd - maxDuration = %s fica antes do ano 1"), textOfInstant(lastRawStart).c_str()));
    // An end moves up by at most an hour; a minute to spare keeps the rounding clear of the
    // limit. A planted duty adds, per later task, a gap of at most an hour and a trip.
    double taskSpan = longestTravel + 1.0 / 24.0;
    double margin = taskSpan + 1.0 / 1440.0;
    if (parameters.plant) margin += (std::max(parameters.dutyMaxTasks, 1) - 1) * (taskSpan + 1.0 / 24.0);
    bool lastStartsLater = lastRawStart > firstRawStart;
    requireParameter(std::max(firstRawStart, lastRawStart) + margin < kDayAfterLast,
                     lastStartsLater ? "windowEnd" : "windowStart",
                     textOfInstant(lastStartsLater ? parameters.windowEnd : parameters.windowStart),
                     tr("as tarefas terminariam depois do ano 9999"));
}

void checkParameters(const TTarefas& parameters, const TViagens& trips) {
    requireParameter(parameters.count >= 0, "count", parameters.count, tr("não pode ser negativo"));
    requireParameter(randomsource::spanFitsDraw(parameters.extraCostMin, parameters.extraCostMax), "extraCostMax",
                     parameters.extraCostMax, tr("extraCostMax - extraCostMin deve caber em 32 bits"));
    if (parameters.count == 0) return;
    requireParameter(!parameters.plant || splitsIntoDuties(parameters.count, parameters.dutyMinTasks,
                                                           parameters.dutyMaxTasks),
                     "count", parameters.count,
                     textf(tr("não se divide em jornadas de %d a %d tarefas"), parameters.dutyMinTasks,
                           parameters.dutyMaxTasks));
    std::int32_t locationCount = trips.locationCount;
    requireParameter(locationCount >= 2, "locationCount", locationCount,
                 tr("são precisos ao menos 2 locais para que o destino difira da origem"));
    requireParameter(parameters.depotCount >= 2 && parameters.depotCount <= locationCount, "depotCount",
                 parameters.depotCount, textf(tr("deve ficar entre 2 e locationCount = %d"), locationCount));
    bool matrixMatches = trips.trips.size() == static_cast<std::size_t>(locationCount);
    for (const auto& row : trips.trips) matrixMatches = matrixMatches && row.size() == trips.trips.size();
    requireParameter(matrixMatches, "trips.size()", static_cast<long long>(trips.trips.size()),
                 textf(tr("a matriz de viagens não foi gerada para locationCount = %d"), locationCount));

    TTripExtremes extremes = extremesOf(trips);
    std::int64_t highestExtra = randomsource::highestInRange(parameters.extraCostMin, parameters.extraCostMax);
    requireParameter(parameters.extraCostMin + extremes.lowestCost >= INT32_MIN, "extraCostMin",
                     parameters.extraCostMin, tr("o custo de uma tarefa não caberia em 32 bits"));
    requireParameter(highestExtra + extremes.highestCost <= INT32_MAX, "extraCostMax", parameters.extraCostMax,
                     tr("o custo de uma tarefa não caberia em 32 bits"));
    checkWindow(parameters, extremes.longestTravel);
}

TTarefa drawTask(const TTarefas& parameters, const TViagens& trips, randomsource::TRandomStream& source) {
    TTarefa task;
    task.origin = drawEndpoint(source, trips.locationCount, parameters.depotCount);
    const TViagem& trip = drawLeg(source, parameters, trips, task);
    double fraction = source.randFraction();
    task.start = startOnQuarterHour(rawStartOf(parameters, fraction));
    task.end = endOnQuarterHour(task.start + trip.travelTime);
    task.duration = task.end - task.start;
    return task;
}

// The first and last count div 20 + 1 tasks of the horizon leave from and arrive at depots.
void tieEdgesToDepots(TTarefas& generator, randomsource::TRandomStream& source) {
    std::int32_t count = generator.count;
    if (count == 0) return;
    std::int32_t edge = count / 20;
    for (std::int32_t position = 0; position <= edge; ++position) {
        generator.tasks[static_cast<std::size_t>(position)].origin =
            drawLocation(source, generator.depotCount);
    }
    for (std::int32_t position = count - edge - 1; position < count; ++position) {
        TTarefa& task = generator.tasks[static_cast<std::size_t>(position)];
        do {
            task.destination = drawLocation(source, generator.depotCount);
        } while (task.destination == task.origin);
    }
}

std::string taskLine(std::int32_t position, const TTarefa& task) {
    return std::to_string(position + 1) + " " + textFromDateTime(task.start, "DD/MM/YYYY HH:mm") + " " +
           textFromDateTime(task.end, "DD/MM/YYYY HH:mm") + " " + textFromDateTime(task.duration, "HH:mm") +
           " " + std::to_string(task.origin) + " " + std::to_string(task.destination) + " " +
           std::to_string(task.cost) + "\n";
}

}  // namespace

TTarefas::TTarefas()
    : windowStart(dateTimeFromText("01/01/2006 08:00")),
      windowEnd(dateTimeFromText("04/01/2006 08:00")),
      minDuration(timeFromText("01:00")),
      maxDuration(timeFromText("12:01")) {}

TDateTime rawStartOf(const TTarefas& parameters, double fraction) {
    double windowLength = parameters.windowEnd - parameters.windowStart;
    return parameters.windowStart + (windowLength - parameters.maxDuration) * fraction;
}

TDateTime startOnQuarterHour(TDateTime rawStart) {
    int minute = minuteOf(rawStart);
    int quarter = minute > 45 ? 45 : minute > 30 ? 30 : minute > 15 ? 15 : 0;
    return withMinute(rawStart, quarter);
}

TDateTime endOnQuarterHour(TDateTime rawEnd) {
    int minute = minuteOf(rawEnd);
    if (minute >= 45) return withMinute(rawEnd + kOneHour, 0);
    int quarter = minute == 0 ? 0 : minute < 15 ? 15 : minute < 30 ? 30 : 45;
    return withMinute(rawEnd, quarter);
}

void TTarefas::generateTasks(const TViagens& trips, bool writeFile, bool echo, TRunFiles* runFiles) {
    checkParameters(*this, trips);
    TRunEnvironment& run = orDefault(environment);
    run.random = randomsource::TRandomStream(seed);
    TRunFiles ownFiles(run);
    TOutputFile* file = nullptr;
    if (writeFile) {
        file = &(runFiles != nullptr ? *runFiles : ownFiles).create(kTaskFileName);
        file->write(std::to_string(count) + "\n" + std::to_string(trips.locationCount) + "\n");
    }
    // Earlier tasks stay: the array is extended, then ordered as a whole.
    tasks.reserve(tasks.size() + static_cast<std::size_t>(count));
    if (plant) {
        drawPlantedDuties(*this, trips);
    } else {
        for (std::int32_t drawn = 0; drawn < count; ++drawn) tasks.push_back(drawTask(*this, trips, run.random));
        sortTasks(tasks);
        tieEdgesToDepots(*this, run.random);
    }

    if (writeFile || echo) {
        for (std::int32_t position = 0; position < count; ++position) {
            std::string line = taskLine(position, tasks[static_cast<std::size_t>(position)]);
            if (file) file->write(line);
            if (echo) run.console->print(line);
        }
    }
    if (echo) run.console->print("\n\n");
    // Closed before the closing lines, so success is never reported for a failed write.
    if (file != nullptr) file->finish();
    if (runFiles == nullptr) commitAfterConsole(*run.console, ownFiles);
    run.console->print(closingLinesText(count, TClosingItems::tasks));
}

}  // namespace gerador
