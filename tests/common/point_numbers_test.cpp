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

constexpr const char* kCommaLocale = "pt_BR.UTF-8";

// Sets a locale with a decimal comma for the whole process while it lives, as a host
// program may; the locale the process had comes back at the end.
class TProcessLocale {
public:
    explicit TProcessLocale(const char* name) : previous_(std::setlocale(LC_ALL, nullptr)) {
        set_ = std::setlocale(LC_ALL, name) != nullptr;
    }
    ~TProcessLocale() { std::setlocale(LC_ALL, previous_.c_str()); }
    // False when the system lacks the locale: the caller skips, but under CI it fails.
    bool isSet() const {
        const char* ci = std::getenv("CI");
        if (!set_ && ci != nullptr && std::string(ci) == "true") ADD_FAILURE() << kCommaLocale << " is missing under CI";
        return set_;
    }

private:
    std::string previous_;
    bool set_ = false;
};

std::string formatted(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

// Every file under folder by its path from there, with its bytes.
std::map<std::string, std::string> filesUnder(const std::filesystem::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) files[std::filesystem::relative(entry.path(), folder).string()] = readFile(entry.path());
    }
    return files;
}

std::map<std::string, std::string> filesOfRun(const TSettings& settings) {
    TTemporaryFolder folder;
    TWorkingDirectory inFolder(folder.path());
    if (settings.seriesCount == 0) std::filesystem::create_directory("arquivos");
    runQuietly(settings);
    return filesUnder(folder.path());
}

TEST(PointNumbers, HoldTheCallingThreadsNumbersToAPointAndGiveItsLocaleBack) {
    TProcessLocale comma(kCommaLocale);
    if (!comma.isSet()) GTEST_SKIP();
    ASSERT_EQ(formatted(1.5), "1,5");
    {
        TPointNumbers pointNumbers;
        EXPECT_EQ(formatted(1.5), "1.5");
        {
            TPointNumbers again;
        }
        EXPECT_EQ(formatted(2.5), "2.5");  // an inner hold gives back the outer one's
        EXPECT_EQ(std::strtod("2.5", nullptr), 2.5);
        // Another thread keeps the process's locale.
        std::string elsewhere;
        std::thread([&elsewhere] { elsewhere = formatted(1.5); }).join();
        EXPECT_EQ(elsewhere, "1,5");
    }
    EXPECT_EQ(formatted(1.5), "1,5");
}

TEST(PointNumbers, KeepTheMessagesLanguage) {
    TProcessLocale comma(kCommaLocale);
    if (!comma.isSet()) GTEST_SKIP();
    chooseLanguage(TLanguage::english);
    std::string yes;
    {
        TPointNumbers pointNumbers;
        yes = tr("sim");
    }
    chooseLanguage(TLanguage::portuguese);
    EXPECT_EQ(yes, "yes");
}

// The column file's depot weights and the picture's coordinates once took a decimal comma
// from the process's locale. Every file of a run, and of a series with its manifest, is
// the same under it (the report aside, whose times differ from run to run).
TEST(PointNumbers, FilesOfARunAreTheSameUnderADecimalCommaLocale) {
    TSettings single = smallSettings(kSmallInstances[1]);
    single.plant = true;
    single.tripWriteFile = single.taskWriteFile = true;
    single.svgFileName = "p.svg";
    single.mpsFileName = "m.mps";
    single.orlibFileName = "o.txt";
    single.solutionFileName = "s.sol";
    single.tasksCsvFileName = "t.csv";
    single.tripsCsvFileName = "v.csv";
    TSettings series = smallSettings(kSmallInstances[1]);
    series.seriesCount = 2;
    for (const TSettings& settings : {single, series}) {
        SCOPED_TRACE(settings.seriesCount);
        std::map<std::string, std::string> withPoint = filesOfRun(settings);
        TProcessLocale comma(kCommaLocale);
        if (!comma.isSet()) GTEST_SKIP();
        std::map<std::string, std::string> withComma = filesOfRun(settings);
        EXPECT_GE(withPoint.size(), settings.seriesCount == 0 ? 9u : 6u);
        ASSERT_EQ(withComma.size(), withPoint.size());
        for (const auto& [name, bytes] : withPoint) EXPECT_TRUE(withComma[name] == bytes) << name;
    }
}

}  // namespace
