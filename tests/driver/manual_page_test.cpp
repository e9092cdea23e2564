#include <regex>
#include <set>

#include <gtest/gtest.h>

#include "driver/command_line.h"
#include "driver/setting_table.h"
#include "support/test_support.h"

using namespace gerador;

namespace {

// Options of our own; the examples also show a solver's (glpsol --freemps).
std::set<std::string> longOptionsIn(const std::string& text) {
    std::set<std::string> names;
    const std::regex option("--([a-z]+(-[a-z]+)*)");
    for (auto match = std::sregex_iterator(text.begin(), text.end(), option); match != std::sregex_iterator();
         ++match) {
        names.insert((*match)[1].str());
    }
    names.erase("freemps");
    return names;
}

// Each manual page, Portuguese and English, documents exactly the options of the table,
// and the version.
TEST(ManualPage, ListsTheOptionsOfTheTableAndTheVersion) {
    std::set<std::string> options;
    for (const TSettingRow& row : settingRows()) {
        options.insert(row.name);
        if (row.negatable) options.insert("no-" + std::string(row.name));
    }
    EXPECT_EQ(longOptionsIn(helpText()), options);
    for (const char* name : {"gerador.1", "en/gerador.1"}) {
        SCOPED_TRACE(name);
        std::string page = readFile(std::string(MANUAL_PAGES_PATH) + "/" + name);
        std::string pageText = std::regex_replace(page, std::regex(R"(\\-)"), "-");  // troff's escaped hyphens
        EXPECT_EQ(longOptionsIn(pageText), options);
        EXPECT_NE(page.find("\"gerador " GERADOR_VERSION "\""), std::string::npos);
    }
}

}  // namespace
