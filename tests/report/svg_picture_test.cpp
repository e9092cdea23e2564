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

// The picture parses as XML, fits a 1600 by 1200 screen and holds a bar per task: one row
// and one coverage bar each at 150 tasks; at a thousand, lanes and a coverage histogram;
// at six thousand in one day, the density of tasks under way.
TEST(SvgPicture, IsWellFormedAndFitsTheScreenAtEverySize) {
    if (toolsMissing({"xmllint"})) GTEST_SKIP();
    for (std::int32_t count : {150, 1000, 6000}) {
        SCOPED_TRACE(count);
        TTemporaryFolder folder;
        TWorkingDirectory inFolder(folder.path());
        TSettings settings = smallSettings(kSmallInstances[1]);
        settings.count = count;
        settings.maxTasks = count > 150 ? 2 : 3;
        if (count > 1000) {
            // Hundreds of tasks under way at once: more lanes than fit.
            settings.locationCount = 100;
            settings.windowEnd = dateTimeFromText("02/01/2006 08:00");
        }
        settings.taskWriteFile = true;
        settings.columnWriteFile = count <= 150;  // millions of columns at the larger sizes
        settings.svgFileName = "r.svg";
        std::filesystem::create_directory("arquivos");
        runQuietly(settings);
        EXPECT_EQ(std::system("xmllint --noout r.svg"), 0) << count;
        std::string svg = readFile("r.svg");
        std::size_t bars = count <= 1000 ? static_cast<std::size_t>(count) : 0;
        EXPECT_EQ(countOf(svg, "class=\"tarefa\""), bars);
        EXPECT_EQ(countOf(svg, "class=\"cobertura\""), count <= 150 ? bars : 10u);
        EXPECT_EQ(countOf(svg, "class=\"andamento\""), count > 1000 ? 1u : 0u);
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
        EXPECT_EQ(countOf(svg, "class=\"deposito\""), bars > 0 ? depotEnds : 0);
        std::smatch size;
        ASSERT_TRUE(std::regex_search(svg, size, std::regex(R"re(width="([0-9.]+)" height="([0-9.]+)")re")));
        EXPECT_LE(std::stod(size[1]), 1600);
        EXPECT_LE(std::stod(size[2]), 1200);
    }
}

}  // namespace
