#include "trips/trips.h"

#include <filesystem>
#include <random>
#include <climits>
#include <cmath>

#include <gtest/gtest.h>

#include "common/random_source.h"
#include "support/test_support.h"

using namespace gerador;

namespace {

TViagens generated(std::int32_t locationCount) {
    TViagens generator;
    generator.locationCount = locationCount;
    testing::internal::CaptureStdout();
    generator.generateTrips(false, false);
    testing::internal::GetCapturedStdout();
    return generator;
}

// The next long draw of the source, had it made `draws` draws since its seed.
std::int32_t longDrawAfter(std::uint32_t seed, int draws) {
    std::mt19937 reference(seed);
    reference.discard(static_cast<unsigned long long>(draws));
    return static_cast<std::int32_t>(reference() >> 1);
}

int minutesOf(TDateTime value) {
    return static_cast<int>(std::lround(static_cast<double>(value) * 1440.0));
}

TEST(TripMatrix, IsSymmetricWithAZeroDiagonalAndDrawsInRange) {
    TViagens generator = generated(10);
    ASSERT_EQ(generator.trips.size(), 10u);
    for (std::size_t i = 0; i < 10; ++i) {
        ASSERT_EQ(generator.trips[i].size(), 10u);
        const TViagem& diagonal = generator.trips[i][i];
        EXPECT_EQ(diagonal.distance, 0u);
        EXPECT_EQ(diagonal.cost, 0);
        EXPECT_EQ(static_cast<double>(diagonal.travelTime), 0.0);
        for (std::size_t j = 0; j < 10; ++j) {
            if (i == j) continue;
            const TViagem& trip = generator.trips[i][j];
            const TViagem& mirror = generator.trips[j][i];
            EXPECT_EQ(trip.distance, mirror.distance);
            EXPECT_EQ(trip.cost, mirror.cost);
            EXPECT_EQ(static_cast<double>(trip.travelTime), static_cast<double>(mirror.travelTime));
            EXPECT_GE(trip.distance, 100u);
            EXPECT_LE(trip.distance, 1499u);
            EXPECT_EQ(trip.cost, static_cast<std::int32_t>(trip.distance / 4));
            int minutes = minutesOf(trip.travelTime);
            EXPECT_EQ(static_cast<double>(trip.travelTime), static_cast<double>(dateTimeFromText(
                                                                std::to_string(minutes / 60) + ":" +
                                                                std::to_string(minutes % 60))));
            EXPECT_GE(minutes, static_cast<int>(trip.distance * 0.05));
            EXPECT_LE(minutes, static_cast<int>(trip.distance * 0.1));
        }
    }
}

TEST(TripMatrix, SecondRunDependsOnlyOnSeedAndParameters) {
    for (auto [first, second] : {std::pair{10, 5}, std::pair{5, 10}}) {
        TViagens reused = generated(first);
        reused.locationCount = second;
        testing::internal::CaptureStdout();
        reused.generateTrips(false, false);
        testing::internal::GetCapturedStdout();
        TViagens fresh = generated(second);
        ASSERT_EQ(reused.trips.size(), fresh.trips.size());
        for (std::size_t i = 0; i < fresh.trips.size(); ++i) {
            ASSERT_EQ(reused.trips[i].size(), fresh.trips[i].size());
            for (std::size_t j = 0; j < fresh.trips.size(); ++j) {
                EXPECT_EQ(reused.trips[i][j].distance, fresh.trips[i][j].distance);
                EXPECT_EQ(static_cast<double>(reused.trips[i][j].travelTime),
                          static_cast<double>(fresh.trips[i][j].travelTime));
            }
        }
    }
}

TEST(TripMatrix, DrawsOnceOrTwicePerCellAboveTheDiagonal) {
    // Equal bounds: only the short draw of each of the 45 cells.
    TViagens equalBounds;
    equalBounds.locationCount = 10;
    equalBounds.minDistance = equalBounds.maxDistance = 500;
    testing::internal::CaptureStdout();
    equalBounds.generateTrips(false, false);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(randomsource::lrand(), longDrawAfter(0, 45));
    EXPECT_EQ(equalBounds.trips[3][7].distance, 500u);

    // Bounds one apart: the long draw is still made, and its remainder is always 0.
    TViagens narrow;
    narrow.locationCount = 10;
    narrow.minDistance = 500;
    narrow.maxDistance = 501;
    narrow.seed = 7;
    testing::internal::CaptureStdout();
    narrow.generateTrips(false, false);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(randomsource::lrand(), longDrawAfter(7, 90));
    EXPECT_EQ(narrow.trips[2][9].distance, 500u);
}

TEST(TripFile, HasTheCountThenOneLinePerLocation) {
    TTemporaryFolder folder;
    std::filesystem::create_directory(folder.path() / "arquivos");
    TWorkingDirectory inFolder(folder.path());
    TViagens generator;
    generator.locationCount = 3;
    testing::internal::CaptureStdout();
    generator.generateTrips(true, false);
    std::string console = testing::internal::GetCapturedStdout();

    // Seed 0: distances 522, 166 and 1381 (costs a quarter, truncated), times from the short draws.
    EXPECT_EQ(readFile("arquivos/viagens.txt"),
              "3\n"
              "1 0 0 00:00 522 130 00:30 166 41 00:14\n"
              "2 522 130 00:30 0 0 00:00 1381 345 01:58\n"
              "3 166 41 00:14 1381 345 01:58 0 0 00:00\n");
    EXPECT_EQ(console, "   3 viagens geradas com sucesso.\n   Pressione ENTER para continuar!\n\n\n");
    EXPECT_EQ(entriesOf("arquivos"), std::vector<std::string>{"viagens.txt"});
}

// Every default test uses 0.25; other factors must reach the cost too (truncated toward zero).
TEST(TripMatrix, CostIsTheDistanceTimesTheFactorTruncated) {
    for (double factor : {1.5, -0.75, 0.0}) {
        TViagens generator;
        generator.locationCount = 5;
        generator.costFactor = factor;
        testing::internal::CaptureStdout();
        generator.generateTrips(false, false);
        testing::internal::GetCapturedStdout();
        for (const auto& row : generator.trips) {
            for (const TViagem& trip : row) {
                auto distance = static_cast<std::int64_t>(trip.distance);
                std::int64_t expected = factor == 1.5 ? distance * 3 / 2 : factor == -0.75 ? -(distance * 3 / 4) : 0;
                EXPECT_EQ(trip.cost, expected) << factor << " " << distance;
            }
        }
    }
}

TEST(TripFile, EchoShowsTheRowsWithoutTheCount) {
    TTemporaryFolder folder;
    TWorkingDirectory inFolder(folder.path());
    TViagens generator;
    generator.locationCount = 1;
    testing::internal::CaptureStdout();
    generator.generateTrips(false, true);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "1 0 0 00:00\n\n\n   1 viagens geradas com sucesso.\n   Pressione ENTER para continuar!\n\n\n");
    EXPECT_TRUE(entriesOf(folder.path()).empty());

    generator.locationCount = 0;
    std::filesystem::create_directory("arquivos");
    testing::internal::CaptureStdout();
    generator.generateTrips(true, false);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "   0 viagens geradas com sucesso.\n   Pressione ENTER para continuar!\n\n\n");
    EXPECT_EQ(readFile("arquivos/viagens.txt"), "0\n");
}

TEST(TripRun, FailuresLeaveNoFileAndReportNoSuccess) {
    TTemporaryFolder folder;
    TWorkingDirectory inFolder(folder.path());
    TViagens generator;
    testing::internal::CaptureStdout();
    EXPECT_THROW(generator.generateTrips(true, false), EFileError);  // no folder "arquivos"

    // Refused before any draw: a negative count, costs that would not fit 32 bits.
    const std::pair<void (*)(TViagens&), const char*> refusals[] = {
        {[](TViagens& trips) { trips.locationCount = -1; }, "locationCount = -1"},
        {[](TViagens& trips) { trips.costFactor = std::nan(""); }, "costFactor = nan"},
        {[](TViagens& trips) { trips.costFactor = 2e6; }, "costFactor = 2e+06"},
        // Distances from -5 wrap, as unsigned, to 4294967291 and more.
        {[](TViagens& trips) { trips.minDistance = -5; trips.costFactor = 1.0; }, "costFactor = 1 ("},
        {[](TViagens& trips) { trips.minDistance = INT32_MIN; trips.maxDistance = INT32_MAX; }, "maxDistance"},
    };
    for (const auto& [change, expected] : refusals) {
        TViagens refused;
        refused.locationCount = 3;
        change(refused);
        try {
            refused.generateTrips(true, false);
            ADD_FAILURE() << "accepted " << expected;
        } catch (const EParameterError& error) {
            EXPECT_NE(std::string(error.what()).find(expected), std::string::npos) << error.what();
        }
    }

    // Distances this long give travel times past 24 hours, which a time of day cannot
    // hold; the message names the settings that gave them (it once quoted "27:26" alone).
    std::filesystem::create_directory("arquivos");
    generator.locationCount = 3;
    generator.minDistance = generator.maxDistance = 30000;
    try {
        generator.generateTrips(true, false);
        ADD_FAILURE() << "accepted a travel time of more than a day";
    } catch (const EParameterError& error) {
        EXPECT_NE(std::string(error.what()).find("minDistance = 30000, maxDistance = 30000 (a distância 30000 dá um "
                                                 "tempo de viagem de 27:26"),
                  std::string::npos)
            << error.what();
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_TRUE(entriesOf("arquivos").empty());
}

}  // namespace
