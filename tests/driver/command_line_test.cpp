#include "driver/command_line.h"

#include <regex>
#include <set>

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include "driver/setting_table.h"
#include "support/test_support.h"

using namespace gerador;

namespace {

TCommandLine parsed(std::vector<std::string> words) {
    words.insert(words.begin(), "gerador");
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    return parseCommandLine(static_cast<int>(words.size()), argv.data());
}

// The default --help shows for each option is that option's own: given back as the
// option's value it changes no setting (a default once came from a neighbouring row).
TEST(CommandLine, EveryShownDefaultReadsBackAsTheDefault) {
    const TSettings defaults;
    const std::string help = helpText();
    const nlohmann::ordered_json expected = settingsJson(defaults);
    std::size_t checked = 0;
    for (const TSettingRow& row : settingRows()) {
        if (row.valueName == nullptr || row.shown == nullptr) continue;
        std::smatch shown;
        std::regex line("--" + std::string(row.name) + " " + row.valueName + R"( +[^\n]*\(\"?([^")]*)\"?\)\n)");
        ASSERT_TRUE(std::regex_search(help, shown, line)) << row.name;
        std::string value = shown[1].str();
        // Defaults that no value spells.
        static const std::set<std::string> kWordsOnly = {"não grava",  "a pasta atual", "calculado", "não confere",
                                                         "não",        "sem limite",    "os núcleos disponíveis",
                                                         "toda a série", "a do ambiente"};
        if (kWordsOnly.count(value) != 0) continue;
        TCommandLine commandLine = parsed({"--" + std::string(row.name), value});
        EXPECT_EQ(settingsJson(commandLine.settings), expected) << row.name << " " << value;
        ++checked;
    }
    EXPECT_GE(checked, 18u);
}

// Switches, short names and --no- forms reach their settings; the last word wins.
TEST(CommandLine, SwitchesAndShortNames) {
    TCommandLine commandLine = parsed({"--trip-write-file", "--task-echo", "--no-column-echo", "--column-echo",
                                       "--no-column-write-file", "-C", ".", "--no-wait"});
    const TSettings& settings = commandLine.settings;
    EXPECT_TRUE(settings.tripWriteFile && settings.taskEcho && settings.columnEcho);
    EXPECT_FALSE(settings.columnWriteFile || settings.waitForKey || settings.tripEcho);
    EXPECT_EQ(settings.directory, ".");
    EXPECT_EQ(parsed({"-h"}).action, TCommandLine::TAction::help);
    EXPECT_EQ(parsed({"--version"}).action, TCommandLine::TAction::version);
    EXPECT_EQ(parsed({"--location-count", "3", "--depot-count", "3"}).settings.depotCount, 3);
    EXPECT_EQ(parsed({"--min-distance=-5"}).settings.minDistance, -5);
    // Three values: --no-progress must not fall back to "on a terminal".
    EXPECT_EQ(parsed({}).settings.progress, std::nullopt);
    EXPECT_EQ(parsed({"--progress"}).settings.progress, std::optional<bool>(true));
    EXPECT_EQ(parsed({"--progress", "--no-progress"}).settings.progress, std::optional<bool>(false));
    EXPECT_EQ(parsed({"--cost-factor", ".25"}).settings.costFactor, 0.25);
    EXPECT_EQ(parsed({"--cost-factor", "0e-400"}).settings.costFactor, 0.0);
}

TEST(CommandLine, BadInputNamesTheOptionAndItsValue) {
    TTemporaryFolder folder;
    const std::string regularFile = (folder.path() / "file").string();
    writeFile(regularFile, "not a folder\n");
    const std::pair<std::vector<std::string>, std::string> rows[] = {
        {{"--count", "12abc"}, "Erro: --count 12abc: "},
        {{"--count", ""}, "Erro: --count : "},
        {{"--count", "1e3"}, "Erro: --count 1e3: "},
        {{"--count", " 7"}, "Erro: --count  7: "},
        {{"--count", "2147483648"}, "Erro: --count 2147483648: "},
        {{"--count", "-1"}, "Erro: --count -1: "},
        {{"--trip-seed", "4294967296"}, "Erro: --trip-seed 4294967296: "},
        {{"--trip-seed", "-1"}, "Erro: --trip-seed -1: "},
        {{"--location-count", "1"}, "Erro: --location-count 1: "},
        {{"--depot-count", "11"}, "Erro: --depot-count 11: "},
        {{"--min-tasks", "-1"}, "Erro: --min-tasks -1: "},
        {{"--max-tasks", "0"}, "Erro: --max-tasks 0: "},
        {{"--accept-percent", "101"}, "Erro: --accept-percent 101: "},
        {{"--cost-factor", "inf"}, "Erro: --cost-factor inf: "},
        {{"--cost-factor", "nan"}, "Erro: --cost-factor nan: "},
        {{"--cost-factor", "+0.25"}, "Erro: --cost-factor +0.25: "},
        {{"--cost-factor", "1e400"}, "Erro: --cost-factor 1e400: "},
        // Too small for a double: refused, not read as 0.
        {{"--cost-factor", "1e-400"}, "Erro: --cost-factor 1e-400: "},
        {{"--cost-factor", "0x1p-2"}, "Erro: --cost-factor 0x1p-2: "},
        {{"--cost-factor", "0,25"}, "Erro: --cost-factor 0,25: "},
        {{"--window-start", "31/02/2006 08:00"}, "Erro: --window-start 31/02/2006 08:00: "},
        {{"--max-duration", "24:00"}, "Erro: --max-duration 24:00: "},
        {{"--series", "10000"}, "Erro: --series 10000: deve ficar entre 0 e 9999"},
        // A matrix of 10^10 trips ran for minutes without a word.
        {{"--location-count", "100000"}, "Erro: --location-count 100000: "},
        // From 10^12 Cbc refused its own start solution.
        {{"--model", "elastic", "--mps", "a", "--uncovered-cost", "1000000000000"}, "Erro: --uncovered-cost 1000000000000: "},
        {{"--solve-seconds", "0"}, "Erro: --solve-seconds 0: deve ser positivo"},
        // Past the clock's range a limit of 1e10 seconds once ended the solve at once.
        {{"--solve-seconds", "1e10"}, "Erro: --solve-seconds 1e10: "},
        {{"--solve-seconds", "10000000.5"}, "Erro: --solve-seconds 10000000.5: "},
        {{"-C", regularFile}, "Erro: --directory " + regularFile + ": "},
        {{"--model", "set"}, "Erro: --model set: "},
        {{"--model", "cover"}, "Erro: --model cover: "},
        {{"--mps", ""}, "Erro: --mps : "},
        {{"--model", "elastic"}, "Erro: --model elastic: "},
        {{"--mps", "a", "--uncovered-cost", "9"}, "Erro: --uncovered-cost 9: "},
        {{"--mps", "a", "--model", "elastic", "--uncovered-cost", "0"}, "Erro: --uncovered-cost 0: "},
        {{"--plant", "--count", "4", "--min-tasks", "2", "--max-tasks", "3"},
         "Erro: --plant: 4 tarefas não se dividem"},
        {{"--solution", "s.sol"}, "Erro: --solution s.sol: "},
        // Inverted ranges once gave distances up to 1681 and tasks before their window.
        {{"--min-distance", "1600", "--max-distance", "1500"}, "Erro: --max-distance 1500: deve ser ao menos"},
        {{"--extra-cost-min", "31", "--extra-cost-max", "30"}, "Erro: --extra-cost-max 30: deve ser ao menos"},
        {{"--window-end", "01/01/2006 08:00"}, "Erro: --window-end 01/01/2006 08:00: deve ficar depois"},
        {{"--min-tasks", "20", "--max-tasks", "13"}, "Erro: --max-tasks 13: deve passar de --min-tasks"},
        // Instance 3 would have taken the seed 0 of another series' instance 1.
        {{"--series", "3", "--task-seed", "4294967294"}, "Erro: --series 3: a semente da última instância passaria"},
        {{"--shard", "4/3", "--series", "9"}, "Erro: --shard 4/3: deve ser K/N"},
        {{"--shard", "0/3", "--series", "9"}, "Erro: --shard 0/3: "},
        {{"--shard", "1/3"}, "Erro: --shard: só vale com --series"},
        {{"--merge", "."}, "Erro: --merge: só vale com --series"},
        {{"--merge", ".", "--series", "3", "--shard", "1/3"}, "Erro: --merge não gera instâncias"},
        {{"--bogus"}, "Erro: --bogus: "},
        {{"--count"}, "Erro: --count: "},
        {{"extra"}, "Erro: extra: "},
    };
    for (const auto& [words, expected] : rows) {
        try {
            parsed(words);
            ADD_FAILURE() << "accepted " << expected;
        } catch (const ECommandLineError& error) {
            std::string message = error.what();
            EXPECT_EQ(message.rfind(expected, 0), 0u) << message;
            EXPECT_NE(message.find("--help"), std::string::npos) << message;
        }
    }
}

}  // namespace
