#include "tasks/task_draws.h"

#include "tasks/tasks.h"
#include "trips/trips.h"

namespace gerador {

std::int32_t drawLocation(randomsource::TRandomStream& source, std::int32_t bound) {
    return static_cast<std::int32_t>(source.drawInRange(1, std::int64_t{bound} + 1));
}

std::int32_t drawEndpoint(randomsource::TRandomStream& source, std::int32_t locationCount, std::int32_t depotCount) {
    bool atDepot = source.lrand() % 10 == 9;
    return drawLocation(source, atDepot ? depotCount : locationCount);
}

const TViagem& drawLeg(randomsource::TRandomStream& source, const TTarefas& parameters, const TViagens& trips,
                       TTarefa& task) {
    do {
        task.destination = drawEndpoint(source, trips.locationCount, parameters.depotCount);
    } while (task.destination == task.origin);
    const TViagem& trip =
        trips.trips[static_cast<std::size_t>(task.origin - 1)][static_cast<std::size_t>(task.destination - 1)];
    task.cost =
        static_cast<std::int32_t>(source.drawInRange(parameters.extraCostMin, parameters.extraCostMax) + trip.cost);
    return trip;
}

}  // namespace gerador
