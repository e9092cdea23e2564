// The program: the trip, task and column stages in order, then one wait for ENTER.
#include <cstdio>
#include <exception>
#include <memory>

#include "trips/trips.h"

namespace {

void runStages() {
    auto tripGenerator = std::make_unique<TViagens>();
    std::printf("\n");
    tripGenerator->locationCount = 10;
    tripGenerator->generateTrips(false, false);
}

}  // namespace

int main() {
    try {
        runStages();
    } catch (const std::exception& error) {
        std::fflush(stdout);
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    // A console that could not take the output is a failure too.
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "Erro ao escrever na saída padrão.\n");
        return 1;
    }
    std::getchar();
    return 0;
}
