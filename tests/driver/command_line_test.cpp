#include "driver/command_line.h"

#include <functional>

#include <gtest/gtest.h>

namespace {

TCommandLine parsed(std::vector<std::string> words) {
    words.insert(words.begin(), "gerador");
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    return parseCommandLine(static_cast<int>(words.size()), argv.data());
}

TEST(CommandLine, OptionsSetTheirSettings) {
    struct TRow {
        std::vector<std::string> words;
        std::function<bool(const TCommandLine&)> holds;
    };
    const TRow rows[] = {
        {{}, [](const TCommandLine& c) {
             const TSettings& s = c.settings;
             return c.action == TCommandLine::TAction::run && c.waitForKey && c.directory.empty() &&
                    s.locationCount == 10 && s.count == 150 && s.acceptPercent == 100 && s.maxTasks == 13 &&
                    !s.tripWriteFile && !s.taskEcho && s.columnWriteFile && s.columnEcho &&
                    textFromDateTime(s.maxDuration, "HH:mm") == "09:01";
         }},
        {{"--location-count", "12", "--min-distance=-5", "--max-distance", "900", "--cost-factor", "1.5",
          "--trip-seed", "4294967295"},
         [](const TCommandLine& c) {
             const TSettings& s = c.settings;
             return s.locationCount == 12 && s.minDistance == -5 && s.maxDistance == 900 && s.costFactor == 1.5 &&
                    s.tripSeed == 4294967295u;
         }},
        {{"--count", "0", "--depot-count", "2", "--extra-cost-min", "-3", "--extra-cost-max", "7", "--task-seed", "9",
          "--window-start", "02/02/2010 06:00", "--window-end", "03/02/2010 06:00", "--min-duration", "0:30",
          "--max-duration", "10:00"},
         [](const TCommandLine& c) {
             const TSettings& s = c.settings;
             return s.count == 0 && s.depotCount == 2 && s.extraCostMin == -3 && s.extraCostMax == 7 &&
                    s.taskSeed == 9 && textFromDateTime(s.windowStart, "DD/MM/YYYY HH:mm") == "02/02/2010 06:00" &&
                    s.windowEnd - s.windowStart == 1.0 && s.minDuration == 30.0 / 1440 && s.maxDuration == 10.0 / 24;
         }},
        {{"--min-tasks", "0", "--max-tasks", "1", "--accept-percent", "0", "--column-seed", "3", "-C", ".",
          "--no-wait"},
         [](const TCommandLine& c) {
             const TSettings& s = c.settings;
             return s.minTasks == 0 && s.maxTasks == 1 && s.acceptPercent == 0 && s.columnSeed == 3 &&
                    c.directory == "." && !c.waitForKey;
         }},
        {{"--trip-write-file", "--trip-echo", "--task-write-file", "--task-echo", "--no-column-write-file",
          "--no-column-echo"},
         [](const TCommandLine& c) {
             const TSettings& s = c.settings;
             return s.tripWriteFile && s.tripEcho && s.taskWriteFile && s.taskEcho && !s.columnWriteFile &&
                    !s.columnEcho;
         }},
        {{"--trip-echo", "--no-trip-echo", "--no-trip-write-file", "--no-task-write-file", "--no-task-echo",
          "--column-write-file", "--column-echo"},
         [](const TCommandLine& c) {
             const TSettings& s = c.settings;
             return !s.tripEcho && !s.tripWriteFile && !s.taskWriteFile && !s.taskEcho && s.columnWriteFile &&
                    s.columnEcho;
         }},
        {{"--mps", "a.mps", "--orlib", "a.txt", "--model", "cover", "--report", "r.json", "--svg", "r.svg"},
         [](const TCommandLine& c) {
             const TSettings& s = c.settings;
             return s.mpsFileName == "a.mps" && s.orlibFileName == "a.txt" && s.model == TModel::cover &&
                    s.reportFileName == "r.json" && s.svgFileName == "r.svg";
         }},
        {{"--model", "partition", "--no-column-write-file", "--mps", "150_3304438.txt"},
         [](const TCommandLine& c) { return c.settings.model == TModel::partition && !c.settings.columnWriteFile; }},
        {{"-h"}, [](const TCommandLine& c) { return c.action == TCommandLine::TAction::help; }},
        {{"--version"}, [](const TCommandLine& c) { return c.action == TCommandLine::TAction::version; }},
    };
    for (const TRow& row : rows) {
        std::string line;
        for (const std::string& word : row.words) line += word + " ";
        EXPECT_TRUE(row.holds(parsed(row.words))) << line;
    }
}

TEST(CommandLine, BadInputNamesTheOptionAndItsValue) {
    const std::pair<std::vector<std::string>, const char*> rows[] = {
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
        {{"--window-start", "31/02/2006 08:00"}, "Erro: --window-start 31/02/2006 08:00: "},
        {{"--max-duration", "24:00"}, "Erro: --max-duration 24:00: "},
        {{"-C", "/no/such/folder"}, "Erro: --directory /no/such/folder: "},
        {{"--model", "set"}, "Erro: --model set: "},
        {{"--model", "cover"}, "Erro: --model cover: "},
        {{"--mps", ""}, "Erro: --mps : "},
        {{"--mps", "150_3304438.txt"}, "Erro: --mps 150_3304438.txt: "},
        {{"--mps", "a", "--orlib", "a"}, "Erro: --orlib a: "},
        {{"--report", "a", "--svg", "a"}, "Erro: --svg a: "},
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

TEST(CommandLine, HelpListsEveryOptionWithItsDefault) {
    std::string help = helpText();
    for (const char* name :
         {"--location-count", "--min-distance", "--max-distance", "--cost-factor", "--trip-seed", "--trip-write-file",
          "--no-trip-write-file", "--trip-echo", "--no-trip-echo", "--count", "--depot-count", "--extra-cost-min",
          "--extra-cost-max", "--task-seed", "--window-start", "--window-end", "--min-duration", "--max-duration",
          "--task-write-file", "--no-task-write-file", "--task-echo", "--no-task-echo", "--min-tasks", "--max-tasks",
          "--accept-percent", "--column-seed", "--column-write-file", "--no-column-write-file", "--column-echo",
          "--no-column-echo", "--mps", "--orlib", "--model", "--report", "--svg", "-C, --directory", "--no-wait", "-h, --help", "--version"}) {
        EXPECT_NE(help.find(name), std::string::npos) << name;
    }
    EXPECT_NE(help.find("(\"04/01/2006 08:00\")"), std::string::npos);
    EXPECT_NE(help.find("(0.25)"), std::string::npos);
}

}  // namespace
