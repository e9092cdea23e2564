#include "common/point_numbers.h"

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "common/messages.h"
#include "exports/export_test_support.h"
#include "support/test_support.h"

using namespace gerador;

namespace {

// A locale with a decimal comma for the whole process while it lives, as a host program
// may set; the earlier one comes back at the end. Missing, it skips, but fails under CI.
struct TCommaLocale {
    std::string previous = std::setlocale(LC_ALL, nullptr);
    bool isSet = std::setlocale(LC_ALL, "pt_BR.UTF-8") != nullptr;
    TCommaLocale() {
        const char* ci = std::getenv("CI");
        if (!isSet && ci != nullptr && std::string(ci) == "true") ADD_FAILURE() << "pt_BR.UTF-8 is missing under CI";
    }
    ~TCommaLocale() { std::setlocale(LC_ALL, previous.c_str()); }
};

std::string formatted(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

TEST(PointNumbers, HoldTheCallingThreadsNumbersOnlyAndGiveItsLocaleBack) {
    TCommaLocale comma;
    if (!comma.isSet) GTEST_SKIP();
    chooseLanguage(TLanguage::english);
    std::string inside, yes, elsewhere;
    {
        TPointNumbers pointNumbers;
        { TPointNumbers again; }
        inside = formatted(1.5) + " " + std::to_string(std::strtod("2.5", nullptr));
        yes = tr("sim");  // the messages keep their language
        std::thread([&elsewhere] { elsewhere = formatted(1.5); }).join();
    }
    chooseLanguage(TLanguage::portuguese);
    EXPECT_EQ(inside, "1.5 2.500000");
    EXPECT_EQ(yes, "yes");
    EXPECT_EQ(elsewhere, "1,5");
    EXPECT_EQ(formatted(1.5), "1,5");
}

// Every file under the working folder, by its path there, with its bytes.
std::map<std::string, std::string> filesOfRun(const TSettings& settings) {
    TTemporaryFolder folder;
    TWorkingDirectory inFolder(folder.path());
    runQuietly(settings);
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder.path())) {
        if (entry.is_regular_file()) files[entry.path().lexically_relative(folder.path())] = readFile(entry.path());
    }
    return files;
}

// The column file's depot weights, the picture's coordinates and the manifest's densities
// once took the process's decimal comma.
TEST(PointNumbers, FilesOfASeriesAreTheSameUnderADecimalCommaLocale) {
    TSettings settings = smallSettings(kSmallInstances[1]);
    settings.seriesCount = 2;
    settings.svgFileName = "p.svg";
    std::map<std::string, std::string> withPoint = filesOfRun(settings);
    TCommaLocale comma;
    if (!comma.isSet) GTEST_SKIP();
    std::map<std::string, std::string> withComma = filesOfRun(settings);
    EXPECT_EQ(withPoint.size(), 8u);
    for (const auto& [name, bytes] : withPoint) {
        // A record holds the run's time, which no two runs share.
        if (name.ends_with("instance.json")) continue;
        EXPECT_TRUE(withComma[name] == bytes) << name;
    }
}

}  // namespace
