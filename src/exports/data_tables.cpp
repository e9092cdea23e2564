// Writes the instance's data as CSV tables, comma-separated, with a header row:
// - tasks: number, origin, destination, start, end (ISO 8601), durationMinutes, cost,
//   startTask (true for a task that leaves from a depot);
// - trips: from, to, distance, cost, travelMinutes, for every ordered pair of locations.
#include "exports/data_tables.h"

#include <string>

#include "common/output_file.h"

namespace gerador {

void writeTasksCsv(TOutputFile& file, const std::vector<TTaskRow>& tasks) {
    file.write("number,origin,destination,start,end,durationMinutes,cost,startTask\n");
    for (const TTaskRow& task : tasks) {
        file.write(std::to_string(task.number) + "," + std::to_string(task.origin) + "," +
                   std::to_string(task.destination) + "," + task.start + "," + task.end + "," +
                   std::to_string(task.durationMinutes) + "," + std::to_string(task.cost) + "," +
                   (task.startTask ? "true" : "false") + "\n");
    }
}

void writeTripsCsv(TOutputFile& file, const std::vector<TTripRow>& trips) {
    file.write("from,to,distance,cost,travelMinutes\n");
    for (const TTripRow& trip : trips) {
        file.write(std::to_string(trip.from) + "," + std::to_string(trip.to) + "," + std::to_string(trip.distance) +
                   "," + std::to_string(trip.cost) + "," + std::to_string(trip.travelMinutes) + "\n");
    }
}

}  // namespace gerador
