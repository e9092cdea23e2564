// Writes "arquivos/viagens.txt":
// - line 1: the number of locations N;
// - then one line per location i: i, then for every location j a blank, the distance,
//   a blank, the cost, a blank and the travel time as "HH:mm".
#include "trips/trips.h"

#include <memory>
#include <string>

#include "common/console.h"
#include "common/output_file.h"
#include "common/random_source.h"

namespace {

constexpr const char* kTripFileName = "arquivos/viagens.txt";
// Nearest long double to 1/60, so that whole hours come out by truncation.
constexpr long double kInverseSixty = 1.0L / 60.0L;

// Draws the trip above the diagonal: the long draw (unless both distance bounds are
// equal) comes before the short one.
TViagem drawTrip(const TViagens& parameters) {
    TViagem trip;
    // Bounds far apart would overflow 32 bits; wrap as a 32-bit subtraction would.
    auto span = static_cast<std::int32_t>(static_cast<std::int64_t>(parameters.maxDistance) -
                                          parameters.minDistance);
    std::int32_t offset = span != 0 ? randomsource::lrand() % span : 0;
    trip.distance = static_cast<std::uint32_t>(parameters.minDistance + offset);
    trip.cost = static_cast<std::int32_t>(static_cast<long double>(trip.distance) * parameters.costFactor);

    auto scaledDraw = static_cast<double>(randomsource::rand() * randomsource::kInverseRandMax);
    double timeFactor = scaledDraw > 0.5 ? scaledDraw : 0.5;
    auto travelMinutes = static_cast<std::int32_t>(static_cast<double>(
        static_cast<long double>(trip.distance) * static_cast<long double>(0.1) * timeFactor));
    auto hours = static_cast<std::int32_t>(travelMinutes * kInverseSixty);
    std::int32_t minutes = travelMinutes % 60;
    // Through text, as a time alone: 24 hours or more is rejected with EConvertError.
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

void TViagens::generateTrips(bool writeFile, bool echo) {
    requireParameter(locationCount >= 0, "locationCount", locationCount, "não pode ser negativo");
    randomsource::srand(seed);
    std::unique_ptr<TOutputFile> file;
    if (writeFile) {
        file = std::make_unique<TOutputFile>(kTripFileName);
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
            else trips[i][j] = drawTrip(*this);
            appendCellText(line, trips[i][j]);
        }
        line += '\n';
        if (file) file->write(line);
        if (echo) printText(line);
    }
    if (echo) printText("\n\n");
    // Closed before the closing lines, so success is never reported for a failed write.
    if (file) file->commit();
    printClosingLines(locationCount, "viagens");
}
