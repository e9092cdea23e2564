#include "common/model.h"

#include <utility>

namespace gerador {

namespace {

constexpr std::pair<TModel, std::string_view> kModelNames[] = {
    {TModel::partition, "partition"},
    {TModel::cover, "cover"},
};

}  // namespace

std::string_view modelName(TModel model) {
    for (const auto& [named, name] : kModelNames) {
        if (named == model) return name;
    }
    return "?";
}

std::optional<TModel> modelNamed(std::string_view name) {
    for (const auto& [model, spelled] : kModelNames) {
        if (spelled == name) return model;
    }
    return std::nullopt;
}

}  // namespace gerador
