#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace gerador {

// One column as a test reads it back from a file.
struct TTestColumn {
    std::int64_t number = 0;
    std::int64_t cost = 0;
    std::int64_t depot = 0;
    std::int64_t workMinutes = 0;
    std::vector<std::int32_t> tasks;  // task numbers, 1 for the first task
};

// A column file read back, without the generator's code: its three header lines and
// every column line, field by field. A line that does not parse fails the calling test.
struct TColumnFileText {
    std::int32_t taskCount = 0;
    std::string countField;  // line 2 as written
    std::string depotLine;   // line 3
    std::vector<TTestColumn> columns;
};
TColumnFileText readColumnFile(const std::string& text);

// The task numbers of one column line ("number cost depot minutes count tasks...").
TTestColumn columnOfLine(const std::string& line);

}  // namespace gerador
