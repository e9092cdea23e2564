#include "report/svg_picture.h"

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <sstream>

#include <gtest/gtest.h>

#include "exports/export_test_support.h"
#include "support/test_support.h"

using namespace gerador;

namespace {

std::size_t countOf(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

// The picture parses as XML and holds one bar and one coverage bar per task, at a
// readable size and at a thousand tasks.
TEST(SvgPicture, IsWellFormedWithOneBarPerTask) {
    if (std::system("command -v xmllint > /dev/null 2>&1") != 0) {
        const char* ci = std::getenv("CI");
        if (ci != nullptr && std::string(ci) == "true") FAIL() << "xmllint is missing under CI";
        GTEST_SKIP() << "xmllint is not installed";
    }
    for (std::int32_t count : {14, 1000}) {
        TTemporaryFolder folder;
        TWorkingDirectory inFolder(folder.path());
        TSettings settings = smallSettings(kSmallInstances[1]);
        settings.count = count;
        settings.maxTasks = 3;
        settings.taskWriteFile = true;
        settings.columnWriteFile = count < 100;  // millions of columns at a thousand tasks
        settings.svgFileName = "r.svg";
        std::filesystem::create_directory("arquivos");
        runQuietly(settings);
        EXPECT_EQ(std::system("xmllint --noout r.svg"), 0) << count;
        std::string svg = readFile("r.svg");
        EXPECT_EQ(countOf(svg, "class=\"tarefa\""), static_cast<std::size_t>(count));
        EXPECT_EQ(countOf(svg, "class=\"cobertura\""), static_cast<std::size_t>(count));
        // One bar per length up to the longest column, and a tick per task end at a depot,
        // counted here from the files.
        if (settings.columnWriteFile) {
            std::size_t longest = 0;
            for (const TTestColumn& column : readColumnFile(readFile("150_3304438.txt")).columns) {
                longest = std::max(longest, column.tasks.size());
            }
            EXPECT_EQ(countOf(svg, "class=\"comprimento\""), longest);
        }
        std::size_t depotEnds = 0;
        std::vector<std::string> taskLines = linesOf(readFile("arquivos/tarefas.txt"));
        for (std::size_t line = 2; line < taskLines.size(); ++line) {
            std::istringstream fields(taskLines[line]);
            std::string skipped;
            int origin = 0, destination = 0;
            for (int field = 0; field < 6; ++field) fields >> skipped;
            fields >> origin >> destination;
            depotEnds += (origin <= settings.depotCount) + (destination <= settings.depotCount);
        }
        EXPECT_EQ(countOf(svg, "fill=\"#222\""), depotEnds);
        std::smatch size;
        ASSERT_TRUE(std::regex_search(svg, size, std::regex(R"re(height="([0-9.]+)")re")));
        EXPECT_LT(std::stod(size[1]), 1600) << "a thousand rows still fit a screen or two";
    }
}

}  // namespace
