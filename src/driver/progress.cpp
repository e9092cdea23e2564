#include "driver/progress.h"

#include <cstdio>
#include <unistd.h>

#include "common/console.h"
#include "common/run_files.h"

namespace gerador {

namespace {

constexpr auto kQuietFor = std::chrono::seconds(1);
constexpr auto kShownEvery = std::chrono::milliseconds(250);

std::string amount(double value, const char* unit) {
    char text[48];
    const char* scales[] = {"", " mil", " mi", " bi"};
    int scale = 0;
    while (value >= 1000 && scale < 3) {
        value /= 1000;
        ++scale;
    }
    std::snprintf(text, sizeof text, scale == 0 ? "%.0f%s%s" : "%.1f%s%s", value, scales[scale], unit);
    return text;
}

std::string bytesText(double bytes) {
    const char* units[] = {"B", "kB", "MB", "GB", "TB"};
    int unit = 0;
    while (bytes >= 1000 && unit < 4) {
        bytes /= 1000;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, unit == 0 ? "%.0f %s" : "%.1f %s", bytes, units[unit]);
    return text;
}

}  // namespace

TProgress::TProgress(std::optional<bool> wanted, TConsole& console)
    : console_(&console),
      enabled_(wanted.value_or(&console == &standardConsole() && isatty(STDERR_FILENO) == 1)),
      started_(std::chrono::steady_clock::now()),
      stageStarted_(started_),
      shownAt_(started_) {}

TProgress::~TProgress() {
    clear();
}

void TProgress::stage(std::string name) {
    stage_ = std::move(name);
    stageStarted_ = std::chrono::steady_clock::now();
}

void TProgress::columns(std::int64_t count, const TRunFiles* files) {
    if (!enabled_) return;
    auto now = std::chrono::steady_clock::now();
    if (now - started_ < kQuietFor || now - shownAt_ < kShownEvery) return;
    shownAt_ = now;
    double stageSeconds = std::chrono::duration<double>(now - stageStarted_).count();
    double seconds = std::chrono::duration<double>(now - started_).count();
    std::string line = "   " + stage_ + ": " + amount(static_cast<double>(count), " colunas") + ", " +
                       amount(static_cast<double>(count) / std::max(stageSeconds, 1e-3), " colunas/s");
    if (files != nullptr) line += ", " + bytesText(static_cast<double>(files->bytesSoFar())) + " gravados";
    char elapsed[32];
    std::snprintf(elapsed, sizeof elapsed, ", %.0f s", seconds);
    console_->showTransient(line + elapsed);
}

void TProgress::clear() {
    console_->clearTransient();
}

}  // namespace gerador
