#include "common/console.h"

#include <cstdio>
#include <string>

void printText(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
}

void printClosingLines(std::int32_t count, std::string_view items) {
    std::string lines = "   " + std::to_string(count) + " " + std::string(items) +
                        " geradas com sucesso.\n   Pressione ENTER para continuar!\n\n\n";
    printText(lines);
}
