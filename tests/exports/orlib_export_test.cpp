#include "exports/orlib_export.h"

#include <sstream>

#include <gtest/gtest.h>

#include "exports/export_test_support.h"
#include "support/test_support.h"

using namespace gerador;

namespace {

// The OR-Library file read back holds the column file's columns, line for line.
TEST(OrlibExport, ReadBackEqualsTheColumnFile) {
    for (const TSmallInstance& instance : kSmallInstances) {
        TTemporaryFolder folder;
        TWorkingDirectory inFolder(folder.path());
        TSettings settings = smallSettings(instance);
        settings.orlibFileName = "instancia.txt";
        runQuietly(settings);
        std::vector<TTestColumn> expected = readColumnFile(readFile("150_3304438.txt")).columns;

        std::vector<std::string> lines = linesOf(readFile("instancia.txt"));
        ASSERT_EQ(lines.size(), expected.size() + 1) << instance.label;
        // The count was written over a 10-character blank field.
        EXPECT_EQ(lines[0], std::to_string(instance.count) + " " + std::to_string(expected.size()) +
                                std::string(10 - std::to_string(expected.size()).size(), ' '));
        for (std::size_t column = 0; column < expected.size(); ++column) {
            std::istringstream fields(lines[column + 1]);
            TTestColumn read;
            std::size_t taskCount = 0;
            fields >> read.cost >> taskCount;
            read.tasks.resize(taskCount);
            for (std::int32_t& task : read.tasks) fields >> task;
            EXPECT_TRUE(fields && fields.peek() == EOF) << lines[column + 1];
            EXPECT_EQ(read.cost, expected[column].cost) << instance.label << ", coluna " << column + 1;
            EXPECT_EQ(read.tasks, expected[column].tasks) << instance.label << ", coluna " << column + 1;
        }
    }
}

}  // namespace
