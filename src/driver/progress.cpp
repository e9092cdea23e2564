#include "driver/progress.h"

#include <cstdio>
#include <unistd.h>

#include "common/console.h"
#include "common/messages.h"
#include "common/run_files.h"

namespace gerador {

namespace {

constexpr auto kQuietFor = std::chrono::seconds(1);
constexpr auto kShownEvery = std::chrono::milliseconds(250);

// A count as a person reads it at a glance: "3.4 mi".
std::string amount(double value) {
    char text[48];
    const char* scales[] = {"", tr(" mil"), tr(" mi"), tr(" bi")};
    int scale = 0;
    while (value >= 1000 && scale < 3) {
        value /= 1000;
        ++scale;
    }
    std::snprintf(text, sizeof text, scale == 0 ? "%.0f%s" : "%.1f%s", value, scales[scale]);
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
    std::string columnCount = amount(static_cast<double>(count));
    std::string perSecond = amount(static_cast<double>(count) / std::max(stageSeconds, 1e-3));
    if (files == nullptr) {
        console_->showTransient(textf(tr("   %s: %s colunas, %s colunas/s, %.0f s"), stage_.c_str(), columnCount.c_str(),
                                      perSecond.c_str(), seconds));
        return;
    }
    std::string written = bytesText(static_cast<double>(files->bytesSoFar()));
    console_->showTransient(textf(tr("   %s: %s colunas, %s colunas/s, %s gravados, %.0f s"), stage_.c_str(),
                                  columnCount.c_str(), perSecond.c_str(), written.c_str(), seconds));
}

void TProgress::clear() {
    console_->clearTransient();
}

}  // namespace gerador
