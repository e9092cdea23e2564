#pragma once

#include <optional>
#include <string>

namespace gerador {

// The nearest double to text when the whole of text is a plain decimal: an optional sign,
// digits with an optional point, an optional exponent ("-12.5e3", ".5", "7."); none for
// anything else, so never for nan, inf or hexadecimal. Past the largest double the value is
// an infinity, below the smallest a zero. The same in every locale the process may set.
std::optional<double> decimalOfText(const std::string& text);

}  // namespace gerador
