#include "report/svg_picture.h"

#include <algorithm>
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

// What a reader once misread: counts grouped with dots ("1.503.325", a decimal to most),
// "locais 10 a 10" for one location, legends of bands and colours the picture did not
// draw, and the least covered task's bar drawn as nothing beside the most covered one.
TEST(SvgPicture, LegendAndAxesShowWhatIsDrawn) {
    TTemporaryFolder folder;
    TWorkingDirectory inFolder(folder.path());
    TSettings standard;  // 10 locations, and a pair that is never together
    standard.columnWriteFile = false;
    standard.columnEcho = false;
    standard.svgFileName = "standard.svg";
    runQuietly(standard);
    std::string svg = readFile("standard.svg");
    EXPECT_NE(svg.find("1\u202F503\u202F325 colunas"), std::string::npos);
    EXPECT_EQ(svg.find("1.503.325"), std::string::npos);
    EXPECT_NE(svg.find(">local 10<"), std::string::npos);
    EXPECT_EQ(svg.find("locais 10"), std::string::npos);
    EXPECT_NE(svg.find("par que nunca se encontra"), std::string::npos);
    EXPECT_EQ(svg.find("tarefa sem coluna"), std::string::npos);  // every task is covered
    std::vector<double> widths;
    const std::regex bar(R"re(<rect x="[0-9.]+" y="[0-9.]+" width="([0-9.]+)"[^>]*class="cobertura")re");
    for (auto match = std::sregex_iterator(svg.begin(), svg.end(), bar); match != std::sregex_iterator(); ++match) {
        widths.push_back(std::stod((*match)[1].str()));
    }
    ASSERT_EQ(widths.size(), 150u);
    EXPECT_GT(*std::min_element(widths.begin(), widths.end()), 0.1 * *std::max_element(widths.begin(), widths.end()));

    // Thousands of tasks under way at once: no bars, so no colours, ticks or bands to explain.
    TSettings crowded = smallSettings(kSmallInstances[1]);
    crowded.count = 6000;
    crowded.maxTasks = 2;
    crowded.locationCount = 100;
    crowded.windowEnd = dateTimeFromText("02/01/2006 08:00");
    crowded.columnWriteFile = false;
    crowded.svgFileName = "crowded.svg";
    runQuietly(crowded);
    std::string density = readFile("crowded.svg");
    ASSERT_NE(density.find("class=\"andamento\""), std::string::npos);
    EXPECT_EQ(density.find("Local de origem"), std::string::npos);
    EXPECT_EQ(density.find("ponta num depósito"), std::string::npos);
}

}  // namespace
