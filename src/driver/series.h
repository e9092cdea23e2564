#pragma once

#include <cstdint>
#include <string>

#include "driver/settings.h"

namespace gerador {

// The settings of instance k (from 1) of a series: the series' own, with k - 1 added to
// the trip, task and column seeds (wrapping past 4294967295, as unsigned numbers do).
// Instance 1 is the single run of the same settings.
TSettings seriesInstanceSettings(const TSettings& series, std::int32_t instance);

// The folder of instance k of a series of instances: its number, with at least three
// digits and as many as the last number has ("007", "0042" in a series of 1000).
std::string seriesFolderName(std::int32_t instance, std::int32_t instances);

}  // namespace gerador
