#pragma once

#include <cstdint>

#include "report/run_result.h"

namespace gerador {

class TOutputFile;

// What the picture needs of the settings: the colours go by location.
struct TPictureFrame {
    std::int32_t locationCount = 0;
};

// Writes a picture of the instance, fit for a paper and a 1600 by 1200 screen (SVG), to
// file: the tasks on a time axis, coloured by origin, depot ends marked and uncovered and
// certificate tasks highlighted, one row each, or in lanes, or as a density when there
// are many; the coverage of the tasks and the columns by number of tasks on numeric
// axes; planted duties as lines from each task to the next of its duty.
void writeSvgPicture(TOutputFile& file, const TRunResult& result, const TPictureFrame& frame);

}  // namespace gerador
