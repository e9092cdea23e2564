#pragma once

#include <cstdint>

namespace gerador {

class TTarefas;
class TViagens;

// Whether count tasks split into duties of minLength to maxLength tasks each (0 always does).
bool splitsIntoDuties(std::int32_t count, std::int32_t minLength, std::int32_t maxLength);

// Appends generator.count tasks drawn as crew duties, then orders them, and records each
// duty's task indices in generator.plantedDuties. Draws from a source of its own seeded
// with generator.seed, duty after duty, task after task:
// - the duty's length, among the lengths from dutyMinTasks to dutyMaxTasks that leave a
//   count the later duties can still split (so the last duty is never too short);
// - its first task leaves from a depot (drawn like an edge depot), at a start drawn like
//   an ordinary task's; every later task leaves from where the one before ended, 15, 30,
//   45 or 60 minutes (drawn) after it ended;
// - destination, extra cost and the end's quarter hour as an ordinary task's.
// Every duty is thus a chain of successors from a start task, within the column lengths.
// Requires: trips generated; splitsIntoDuties(count, dutyMinTasks, dutyMaxTasks).
void drawPlantedDuties(TTarefas& generator, const TViagens& trips);

}  // namespace gerador
