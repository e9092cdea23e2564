#pragma once

#include <string>

#include "columns/file_sink.h"
#include "common/date_time.h"
#include "report/instance_summary.h"

// A picture of the instance a person opens in a browser (SVG): the tasks as bars on the
// planning window's time axis, one row each, coloured by origin, with depot ends marked
// and uncovered and certificate tasks highlighted; beside them the coverage of each task
// and the columns by number of tasks.
class TSvgPicture : public TFileSink {
public:
    // Requires: summary outlives the picture and comes before it among the sinks.
    TSvgPicture(std::string fileName, const TInstanceSummary& summary, std::int32_t locationCount,
                TDateTime windowStart, TDateTime windowEnd)
        : TFileSink(std::move(fileName)),
          summary_(summary),
          locationCount_(locationCount),
          windowStart_(windowStart),
          windowEnd_(windowEnd) {}

    void begin(const TColumnRunInfo& run) override;
    void add(const TPricedColumn&) override {}
    void end(std::int32_t columnCount) override;

private:
    const TInstanceSummary& summary_;
    std::int32_t locationCount_;
    TDateTime windowStart_;
    TDateTime windowEnd_;
};
