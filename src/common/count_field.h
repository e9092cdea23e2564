#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace gerador {

class TOutputFile;

// A count that heads a file but is known only at its end: a field of 10 characters, any
// 32-bit count's digits followed by blanks.
inline constexpr std::size_t kCountFieldWidth = 10;

// The field as the header writes it: the count's digits and blanks when the count is
// known in advance, blanks to be written over at the end otherwise. The bytes of the
// finished file are the same either way.
std::string countField(std::optional<std::int32_t> knownCount);

// Writes count over the blank field that follows textBefore at the start of file.
// Requires: file begins with textBefore, then countField(std::nullopt); file.canRewind().
void writeCountOverField(TOutputFile& file, const std::string& textBefore, std::int32_t count);

}  // namespace gerador
