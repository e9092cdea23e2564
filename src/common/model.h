#pragma once

#include <optional>
#include <string_view>

namespace gerador {

// How the task rows of an instance bind the columns: each task covered exactly once
// (partition) or at least once (cover).
enum class TModel { partition, cover };

// The model's name as options and reports spell it.
std::string_view modelName(TModel model);
// The model a name spells; none for an unknown name.
std::optional<TModel> modelNamed(std::string_view name);

}  // namespace gerador
