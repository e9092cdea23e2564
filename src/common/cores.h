#pragma once

#include <cstdint>

namespace gerador {

// The cores this machine offers, at least one.
std::int32_t machineCores();

// Threads a setting asks for: its value, or every core for 0.
std::int32_t coresFor(std::int32_t threads);

}  // namespace gerador
