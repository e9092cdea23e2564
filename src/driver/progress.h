#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace gerador {

class TRunFiles;
class TConsole;

// The one line of standard error that tells how a long run goes: stage, columns so far,
// columns a second, bytes written, time. Shown once the run has lasted a second, about
// four times a second, and cleared at the end; only on a terminal unless asked for.
class TProgress {
public:
    // wanted: shown or not; none: when console is the standard one and standard error a
    // terminal. console must outlive this.
    TProgress(std::optional<bool> wanted, TConsole& console);
    ~TProgress();
    TProgress(const TProgress&) = delete;
    TProgress& operator=(const TProgress&) = delete;

    void stage(std::string name);
    // The columns of the stage so far; files, if any, tell the bytes written.
    void columns(std::int64_t count, const TRunFiles* files);
    void clear();
    bool enabled() const { return enabled_; }

private:
    TConsole* console_;
    bool enabled_;
    std::chrono::steady_clock::time_point started_;
    std::chrono::steady_clock::time_point stageStarted_;
    std::chrono::steady_clock::time_point shownAt_;
    std::string stage_;
};

}  // namespace gerador
