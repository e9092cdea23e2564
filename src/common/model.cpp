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

const TModelRules& rulesOf(TModel model) {
    static constexpr TModelRules kPartition{true, false, false, true, true};
    static constexpr TModelRules kCover{false, false, true, false, false};
    static constexpr TModelRules kElastic{true, true, false, true, false};
    switch (model) {
        case TModel::cover: return kCover;
        case TModel::elastic: return kElastic;
        case TModel::partition: break;
    }
    return kPartition;
}

std::int64_t TColumnRange::uncoveredCost(std::int64_t taskCount) const {
    auto shortestColumn = shortest == SIZE_MAX ? std::int64_t{1} : static_cast<std::int64_t>(shortest);
    return defaultUncoveredCost(taskCount, shortestColumn, lowestCost, highestCost);
}

std::optional<TModel> modelNamed(std::string_view name) {
    for (const auto& [model, spelled] : kModelNames) {
        if (spelled == name) return model;
    }
    return std::nullopt;
}

}  // namespace gerador
