#include "report/svg_picture.h"

#include <cstdlib>
#include <regex>

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
        settings.columnWriteFile = false;
        settings.svgFileName = "r.svg";
        runQuietly(settings);
        EXPECT_EQ(std::system("xmllint --noout r.svg"), 0) << count;
        std::string svg = readFile("r.svg");
        EXPECT_EQ(countOf(svg, "class=\"tarefa\""), static_cast<std::size_t>(count));
        EXPECT_EQ(countOf(svg, "class=\"cobertura\""), static_cast<std::size_t>(count));
        std::smatch size;
        ASSERT_TRUE(std::regex_search(svg, size, std::regex(R"re(height="([0-9.]+)")re")));
        EXPECT_LT(std::stod(size[1]), 1600) << "a thousand rows still fit a screen or two";
    }
}

}  // namespace
