#include "support/column_file_reader.h"

#include <sstream>

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace gerador {

TTestColumn columnOfLine(const std::string& line) {
    std::istringstream fields(line);
    TTestColumn column;
    std::size_t taskCount = 0;
    fields >> column.number >> column.cost >> column.depot >> column.workMinutes >> taskCount;
    column.tasks.resize(taskCount);
    for (std::int32_t& task : column.tasks) fields >> task;
    EXPECT_TRUE(fields && fields.peek() == EOF) << "column line: " << line;
    return column;
}

TColumnFileText readColumnFile(const std::string& text) {
    std::vector<std::string> lines = linesOf(text);
    TColumnFileText file;
    EXPECT_GE(lines.size(), 3u) << "column file without its header";
    if (lines.size() < 3) return file;
    file.taskCount = std::stoi(lines[0]);
    file.countField = lines[1];
    file.depotLine = lines[2];
    for (std::size_t line = 3; line < lines.size(); ++line) file.columns.push_back(columnOfLine(lines[line]));
    return file;
}

}  // namespace gerador
