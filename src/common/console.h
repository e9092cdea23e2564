#pragma once

#include <cstdint>
#include <string_view>

// Prints text on standard output as it is (it may hold '%').
void printText(std::string_view text);

// The two lines that close every generator run: "   <count> <items> geradas com sucesso."
// and the ENTER prompt, which does not wait.
void printClosingLines(std::int32_t count, std::string_view items);
