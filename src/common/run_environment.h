#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <string>

#include "common/console.h"
#include "common/fault_hook.h"
#include "common/random_source.h"

namespace gerador {

struct TCommitStep;

// What a run takes from its surroundings. Two runs with environments of their own may go
// at once on two threads; one environment serves one run at a time.
struct TRunEnvironment {
    TConsole* console = &standardConsole();  // not owned
    // The draws of the stages; each stage restarts it from its seed.
    randomsource::TRandomStream random{0};
    // Relative output names resolve against this folder; empty: the working folder.
    std::string baseFolder;
    // Makes chosen file operations of the commit fail (test builds); null: none.
    TFaultHook faultHook = nullptr;
    // Told of each file-system step of the commit before it is taken (tests); null: none.
    std::function<void(const TCommitStep&)> commitObserver;
    // Set by the caller, from any thread, to stop the run soon after (a binding's Ctrl-C):
    // the column search, a solve and the start of the commit then throw EInterrupted.
    // Once the commit has begun the run completes. Not owned; null: never.
    const std::atomic<bool>* interrupted = nullptr;
    // When the run started and how long it took, as the report gives them.
    std::function<std::chrono::steady_clock::time_point()> clock = [] { return std::chrono::steady_clock::now(); };

    // What the hook says of operation: 0 without a hook.
    int injectedFault(const char* operation) const { return faultHook != nullptr ? faultHook(operation) : 0; }
    // name as the run writes it: relative names under baseFolder.
    std::string pathOf(const std::string& name) const;
};

// The environment of the generators' own signatures (generateTrips and the others
// without one): the standard console and the working folder. One thread at a time.
TRunEnvironment& defaultEnvironment();

// environment, or the default one when it is null.
inline TRunEnvironment& orDefault(TRunEnvironment* environment) {
    return environment != nullptr ? *environment : defaultEnvironment();
}

}  // namespace gerador
