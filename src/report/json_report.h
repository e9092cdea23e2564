#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "columns/file_sink.h"
#include "report/instance_summary.h"

// The machine-readable report of a run (JSON): its settings and version, the trips and
// tasks, the columns, the coverage, the partition verdict, the files written and the
// run's wall time and peak memory.
class TJsonReport : public TFileSink {
public:
    // settings: every setting of the run, as the options name them. outputs: the other
    // sinks of the run, whose files are listed; earlierFiles: files written by earlier stages.
    // Requires: summary and outputs outlive the report and come before it among the sinks.
    TJsonReport(std::string fileName, const TInstanceSummary& summary, const nlohmann::ordered_json& settings,
                std::vector<const TColumnSink*> outputs, std::vector<std::string> earlierFiles,
                std::chrono::steady_clock::time_point started);
    ~TJsonReport() override;

    void begin(const TColumnRunInfo& run) override;
    void add(const TPricedColumn&) override {}
    void end(std::int32_t columnCount) override;

private:
    nlohmann::ordered_json reportOf() const;

    const TInstanceSummary& summary_;
    std::unique_ptr<nlohmann::ordered_json> settings_;
    std::vector<const TColumnSink*> outputs_;
    std::vector<std::string> earlierFiles_;
    std::chrono::steady_clock::time_point started_;
};
