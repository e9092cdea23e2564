#pragma once

#include <cstdint>

#include "common/random_source.h"

namespace gerador {

class TTarefas;
class TViagens;
struct TTarefa;
struct TViagem;

// The draws of one task, shared by the ordinary tasks and the planted duties.

// 1 + a long draw modulo bound; a bound of 0 draws nothing and gives 1.
std::int32_t drawLocation(randomsource::TRandomStream& source, std::int32_t bound);

// A depot one time in ten, any location otherwise; the class is drawn first.
std::int32_t drawEndpoint(randomsource::TRandomStream& source, std::int32_t locationCount, std::int32_t depotCount);

// Draws the destination of task (endpoints until one differs from its origin) and its
// cost (the extra cost plus the trip's), and returns the trip.
// Requires: task.origin set, the matrix generated.
const TViagem& drawLeg(randomsource::TRandomStream& source, const TTarefas& parameters, const TViagens& trips,
                       TTarefa& task);

}  // namespace gerador
