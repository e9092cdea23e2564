// Writes "arquivos/viagens.txt":
// - line 1: the number of locations N;
// - then one line per location i: i, then for every location j a blank, the distance,
//   a blank, the cost, a blank and the travel time as "HH:mm".
#include "trips/trips.h"

#include <climits>
#include <cmath>
#include <optional>
#include <string>

#include "common/messages.h"
#include "common/console.h"
#include "common/exceptions.h"
#include "common/extended.h"
#include "common/run_files.h"
#include "common/random_source.h"
#include "common/run_environment.h"

namespace gerador {

namespace {

const TExtended kOneTenth = TExtended::fromDouble(0.1);

// The distance, as unsigned, times costFactor in extended precision, truncated.
std::optional<std::int64_t> tripCostOf(std::uint32_t distance, double costFactor) {
    return (TExtended::fromInteger(distance) * TExtended::fromDouble(costFactor)).truncated();
}

// Refuses, before any draw, parameters whose trip costs would not fit their 32-bit field.
void checkParameters(const TViagens& parameters) {
    requireParameter(parameters.locationCount >= 0, "locationCount", parameters.locationCount,
                     tr("não pode ser negativo"));
    requireParameter(randomsource::spanFitsDraw(parameters.minDistance, parameters.maxDistance), "maxDistance",
                     parameters.maxDistance, tr("maxDistance - minDistance deve caber em 32 bits"));
    requireParameter(std::isfinite(parameters.costFactor), "costFactor", textOfDouble(parameters.costFactor),
                     tr("deve ser um número finito"));
    // The cost grows or falls with the distance, so the extreme distances give the extreme costs.
    std::int64_t lowest = parameters.minDistance;
    std::int64_t highest = randomsource::highestInRange(parameters.minDistance, parameters.maxDistance);
    // Distances are unsigned: a range that crosses zero wraps to both ends of 32 bits.
    bool wraps = lowest < 0 && highest >= 0;
    for (std::int64_t distance : {wraps ? 0 : lowest, wraps ? std::int64_t{UINT32_MAX} : highest}) {
        std::optional<std::int64_t> cost = tripCostOf(static_cast<std::uint32_t>(distance), parameters.costFactor);
        requireParameter(cost && *cost >= INT32_MIN && *cost <= INT32_MAX, "costFactor",
                         textOfDouble(parameters.costFactor),
                         textf(tr("o custo da distância %u não cabe em 32 bits"),
                               static_cast<std::uint32_t>(distance)));
    }
}

// Draws the trip above the diagonal: the long draw (unless both distance bounds are
// equal) comes before the short one.
TViagem drawTrip(const TViagens& parameters, randomsource::TRandomStream& random) {
    TViagem trip;
    trip.distance =
        static_cast<std::uint32_t>(random.drawInRange(parameters.minDistance, parameters.maxDistance));
    trip.cost = static_cast<std::int32_t>(*tripCostOf(trip.distance, parameters.costFactor));

    double scaledDraw = random.randFraction();
    double timeFactor = scaledDraw > 0.5 ? scaledDraw : 0.5;
    double travelTime =
        (TExtended::fromInteger(trip.distance) * kOneTenth * TExtended::fromDouble(timeFactor)).toDouble();
    auto travelMinutes = static_cast<std::int32_t>(travelTime);
    // Truncating m times the extended 1/60, which lies just above 1/60, gives m / 60 for every 32-bit m.
    std::int32_t hours = travelMinutes / 60;
    std::int32_t minutes = travelMinutes % 60;
    // A time of day holds less than 24 hours; the text form would be refused anyway, but
    // the user needs to know which settings gave such a distance.
    if (hours >= 24) {
        throw EParameterError(textf(tr("parâmetro inválido: minDistance = %d, maxDistance = %d (a distância %u dá "
                                       "um tempo de viagem de %d:%02d, de 24 horas ou mais; as distâncias são lidas "
                                       "sem sinal e só as menores que 14400 dão sempre menos de 24 horas)"),
                                    parameters.minDistance, parameters.maxDistance, trip.distance, hours, minutes));
    }
    trip.travelTime = dateTimeFromText(std::to_string(hours) + ":" + std::to_string(minutes));
    return trip;
}

void appendCellText(std::string& line, const TViagem& trip) {
    line += ' ';
    line += std::to_string(trip.distance);
    line += ' ';
    line += std::to_string(trip.cost);
    line += ' ';
    line += textFromDateTime(trip.travelTime, "HH:mm");
}

}  // namespace

void TViagens::generateTrips(bool writeFile, bool echo, TRunFiles* runFiles) {
    checkParameters(*this);
    TRunEnvironment& run = orDefault(environment);
    run.random = randomsource::TRandomStream(seed);
    TRunFiles ownFiles(run);
    TOutputFile* file = nullptr;
    if (writeFile) {
        file = &(runFiles != nullptr ? *runFiles : ownFiles).create(kTripFileName);
        file->write(std::to_string(locationCount) + "\n");
    }

    auto size = static_cast<std::size_t>(locationCount);
    trips.resize(size);
    std::string line;
    for (std::size_t i = 0; i < size; ++i) {
        line = std::to_string(i + 1);
        trips[i].resize(size);
        for (std::size_t j = 0; j < size; ++j) {
            if (j == i) trips[i][j] = TViagem{};
            else if (j < i) trips[i][j] = trips[j][i];
            else trips[i][j] = drawTrip(*this, run.random);
            appendCellText(line, trips[i][j]);
        }
        line += '\n';
        if (file) file->write(line);
        if (echo) run.console->print(line);
    }
    if (echo) run.console->print("\n\n");
    // Closed before the closing lines, so success is never reported for a failed write.
    if (file != nullptr) file->finish();
    if (runFiles == nullptr) commitAfterConsole(*run.console, ownFiles);
    run.console->print(closingLinesText(locationCount, TClosingItems::trips));
}

}  // namespace gerador
