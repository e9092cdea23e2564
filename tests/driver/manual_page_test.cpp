#include <regex>
#include <set>

#include <gtest/gtest.h>

#include "driver/command_line.h"
#include "support/test_support.h"

using namespace gerador;

namespace {

std::set<std::string> longOptionsIn(const std::string& text) {
    std::set<std::string> names;
    const std::regex option("--([a-z]+(-[a-z]+)*)");
    for (auto match = std::sregex_iterator(text.begin(), text.end(), option); match != std::sregex_iterator(); ++match) {
        names.insert((*match)[1].str());
    }
    return names;
}

// The manual page and --help document the same options, and the same version.
TEST(ManualPage, ListsTheOptionsOfHelpAndTheVersion) {
    std::string page = readFile(MANUAL_PAGE_PATH);
    std::string pageText = std::regex_replace(page, std::regex(R"(\\-)"), "-");  // troff's escaped hyphens
    EXPECT_EQ(longOptionsIn(pageText), longOptionsIn(helpText()));
    EXPECT_GT(longOptionsIn(pageText).size(), 30u);
    EXPECT_NE(page.find("\"gerador " GERADOR_VERSION "\""), std::string::npos);
}

}  // namespace
