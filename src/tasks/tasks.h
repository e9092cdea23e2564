#pragma once

#include <cstdint>
#include <vector>

#include "common/date_time.h"

namespace gerador {

class TViagens;
class TRunFiles;
struct TRunEnvironment;

inline constexpr const char* kTaskFileName = "arquivos/tarefas.txt";

// One timed trip: leaves origin at start, arrives at destination at end, both on a quarter hour.
struct TTarefa {
    TDateTime start;
    TDateTime end;
    TDateTime duration;  // end - start, day number 0
    std::int32_t origin = 0;       // location 1..N
    std::int32_t destination = 0;  // location 1..N
    std::int32_t cost = 0;
};

// The task list: tasks drawn over a trip matrix and a planning window, in chronological
// order, the first ones leaving from a depot and the last ones arriving at one.
class TTarefas {
public:
    // Reads the default window and duration bounds from their text forms.
    TTarefas();

    std::int32_t count = 150;
    std::int32_t depotCount = 3;    // locations 1..depotCount are depots
    std::int32_t extraCostMin = 0;
    std::int32_t extraCostMax = 30;  // exclusive bound of the extra cost
    std::uint32_t seed = 0;
    TDateTime windowStart;
    TDateTime windowEnd;
    TDateTime minDuration;  // kept for callers; no step reads it
    TDateTime maxDuration;  // starts are drawn up to windowEnd - maxDuration
    // Draws the tasks as crew duties of dutyMinTasks to dutyMaxTasks tasks each, so that
    // the duties partition them (see planted_duties.h), instead of one by one.
    bool plant = false;
    std::int32_t dutyMinTasks = 3;
    std::int32_t dutyMaxTasks = 13;
    // Where the run prints, draws and writes; not owned; null: defaultEnvironment().
    TRunEnvironment* environment = nullptr;
    std::vector<TTarefa> tasks;
    // With plant, after a run: each duty's task indices, in chain order.
    std::vector<std::vector<std::int32_t>> plantedDuties;

    // Appends count tasks drawn over the trip matrix, orders the whole array, ties the
    // first and last count div 20 + 1 tasks to depots (not the planted duties, whose
    // places that would break); with writeFile writes
    // "arquivos/tarefas.txt", with echo prints the task lines; then the two closing lines.
    // The file joins runFiles, to be committed with the rest of a run, or without them is
    // committed before the closing lines.
    // Requires: trips generated. Throws EParameterError for parameters under which the
    // run would hang or read outside the matrix, EFileError when the file cannot be written.
    void generateTasks(const TViagens& trips, bool writeFile, bool echo, TRunFiles* runFiles = nullptr);
};

// Start of the window plus the fraction f (0 to 1) of the range of start times.
TDateTime rawStartOf(const TTarefas& parameters, double fraction);

// Moves a start down to a quarter hour through its text form; a minute of exactly
// 15, 30 or 45 moves down to the quarter before it.
TDateTime startOnQuarterHour(TDateTime rawStart);

// Moves an end up to a quarter hour through its text form; a full hour stays, a
// minute of exactly 15, 30 or 45 moves up to the next quarter.
TDateTime endOnQuarterHour(TDateTime rawEnd);

}  // namespace gerador
