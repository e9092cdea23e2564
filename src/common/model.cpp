#include "common/model.h"

#include <algorithm>
#include <utility>

namespace gerador {

namespace {

constexpr std::pair<TModel, std::string_view> kModelNames[] = {
    {TModel::partition, "partition"},
    {TModel::cover, "cover"},
    {TModel::elastic, "elastic"},
};

}  // namespace

std::string_view modelName(TModel model) {
    for (const auto& [named, name] : kModelNames) {
        if (named == model) return name;
    }
    return "?";
}

std::int64_t defaultUncoveredCost(std::int64_t taskCount, std::int64_t shortestColumn, std::int64_t lowestCost,
                                  std::int64_t highestCost) {
    std::int64_t mostColumns = taskCount / std::max<std::int64_t>(shortestColumn, 1);
    return mostColumns * (std::max<std::int64_t>(highestCost, 0) - std::min<std::int64_t>(lowestCost, 0)) + 1;
}

std::optional<TModel> modelNamed(std::string_view name) {
    for (const auto& [model, spelled] : kModelNames) {
        if (spelled == name) return model;
    }
    return std::nullopt;
}

}  // namespace gerador
