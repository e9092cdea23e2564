#pragma once

#include <cstdint>

#include "common/date_time.h"
#include "report/run_result.h"

namespace gerador {

class TOutputFile;

// What the picture needs of the settings: the colours go by location, the time axis
// spans at least the planning window.
struct TPictureFrame {
    std::int32_t locationCount = 0;
    TDateTime windowStart;
    TDateTime windowEnd;
};

// Writes a picture of the instance a person opens in a browser (SVG) to file: the tasks
// as bars on the planning window's time axis, one row each, coloured by origin, with
// depot ends marked and uncovered and certificate tasks highlighted; beside them the
// coverage of each task and the columns by number of tasks; planted duties are drawn as
// lines from each task to the next of its duty.
void writeSvgPicture(TOutputFile& file, const TRunResult& result, const TPictureFrame& frame);

}  // namespace gerador
