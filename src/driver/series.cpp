#include "driver/series.h"

#include <algorithm>

namespace gerador {

TSettings seriesInstanceSettings(const TSettings& series, std::int32_t instance) {
    TSettings own = series;
    auto offset = static_cast<std::uint32_t>(instance - 1);
    own.tripSeed += offset;
    own.taskSeed += offset;
    own.columnSeed += offset;
    return own;
}

std::string seriesFolderName(std::int32_t instance, std::int32_t instances) {
    std::size_t width = std::max<std::size_t>(3, std::to_string(instances).size());
    std::string number = std::to_string(instance);
    return std::string(width - std::min(width, number.size()), '0') + number;
}

}  // namespace gerador
