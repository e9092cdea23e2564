#include <algorithm>
#include <filesystem>
#include <map>
#include <regex>
#include <set>

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include "driver/command_line.h"
#include "driver/setting_table.h"
#include "driver/stages.h"
#include "solve/solver.h"
#include "support/test_support.h"

using namespace gerador;

namespace {

using TArtifacts = std::map<std::string, std::string>;  // what a run made, by kind
using TKinds = std::set<std::string>;

const std::vector<std::string> kBase = {"--location-count", "6", "--count", "30", "--max-tasks", "5",
                                        "--trip-write-file", "--task-write-file", "--mps", "i.mps", "--orlib",
                                        "i.txt", "--svg", "r.svg", "--report", "r.json"};

// Runs the stages with the base options and then extra, in a fresh folder, and gathers
// every file and the console. The report's settings and timings are left out: they
// change with every option or run.
TArtifacts runWith(const std::vector<std::string>& extra) {
    std::vector<std::string> words = {"gerador"};
    words.insert(words.end(), kBase.begin(), kBase.end());
    words.insert(words.end(), extra.begin(), extra.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    TSettings settings = parseCommandLine(static_cast<int>(argv.size()), argv.data()).settings;

    TTemporaryFolder folder;
    TWorkingDirectory inFolder(folder.path());
    std::filesystem::create_directory("arquivos");
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    runStages(settings);
    TArtifacts artifacts;
    // Solving takes its own time on every run.
    artifacts["console"] = std::regex_replace(testing::internal::GetCapturedStdout(), std::regex("[0-9.]+ s,"), "? s,");
    testing::internal::GetCapturedStderr();
    const std::pair<const char*, const char*> files[] = {
        {"viagens", "arquivos/viagens.txt"}, {"tarefas", "arquivos/tarefas.txt"}, {"colunas", "150_3304438.txt"},
        {"mps", "i.mps"}, {"orlib", "i.txt"}, {"svg", "r.svg"}, {"relatório", "r.json"}, {"solução", "s.sol"},
        {"tabelas", "t.csv"}, {"outro nome", "c.txt"}, {"traço", "p.jsonl"}};
    for (const auto& [kind, name] : files) {
        artifacts[kind] = std::filesystem::exists(name) ? readFile(name) : "(ausente)";
    }
    if (std::filesystem::exists("r.json")) {
        nlohmann::ordered_json report = nlohmann::ordered_json::parse(artifacts["relatório"]);
        report.erase("settings");
        report.erase("run");
        if (report.contains("solve")) report["solve"].erase("seconds");
        artifacts["relatório"] = report.dump();
    }
    return artifacts;
}

// Every option reaches what it governs, and only that: a run with a value other than the
// base's differs from the base run in exactly these files and the console (the trip stage
// was once given the task seed, and no test noticed).
TEST(Options, EachReachesWhatItGovernsAndOnlyThat) {
    const TKinds everything = {"viagens", "tarefas", "colunas", "mps", "orlib", "svg", "relatório", "console"};
    const TKinds tasksOn = {"tarefas", "colunas", "mps", "orlib", "svg", "relatório", "console"};
    const TKinds columnsOn = {"colunas", "mps", "orlib", "svg", "relatório", "console"};
    const TKinds costsOnly = {"tarefas", "colunas", "mps", "orlib", "relatório", "console"};
    struct TRow {
        std::vector<std::string> extra;
        TKinds expected;
        std::vector<std::string> base = {};  // options both runs share, beyond kBase
    };
    const TRow rows[] = {
        {{"--location-count", "7"}, everything},
        {{"--min-distance", "300"}, everything},
        {{"--max-distance", "900"}, everything},
        {{"--cost-factor", "0.5"}, {"viagens", "tarefas", "colunas", "mps", "orlib", "relatório", "console"}},
        {{"--trip-seed", "5"}, everything},
        {{"--no-trip-write-file"}, {"viagens", "relatório"}},
        {{"--trip-echo"}, {"console"}},
        {{"--count", "31"}, tasksOn},
        {{"--depot-count", "2"}, tasksOn},
        {{"--extra-cost-min", "5"}, costsOnly},
        {{"--extra-cost-max", "40"}, costsOnly},
        {{"--task-seed", "2"}, tasksOn},
        {{"--window-start", "01/01/2006 14:00"}, tasksOn},
        {{"--window-end", "03/01/2006 08:00"}, tasksOn},
        {{"--min-duration", "02:00"}, {}},
        {{"--max-duration", "05:00"}, tasksOn},
        {{"--no-task-write-file"}, {"tarefas", "relatório"}},
        {{"--task-echo"}, {"console"}},
        {{"--min-tasks", "3"}, columnsOn},
        {{"--max-tasks", "4"}, columnsOn},
        {{"--accept-percent", "50"}, columnsOn},
        // Every offered chain is written either way; the seed draws the depots of phase 2.
        {{"--column-seed", "3"}, {"colunas", "relatório"}},
        {{"--no-column-write-file"}, {"colunas", "relatório"}},
        {{"--no-column-echo"}, {"console"}},
        {{"--mps", "j.mps"}, {"mps", "relatório"}},
        {{"--model", "cover"}, {"mps", "relatório"}},  // the MPS file grows
        {{"--orlib", "j.txt"}, {"orlib", "relatório"}},
        {{"--svg", "q.svg"}, {"svg", "relatório"}},
        {{"--report", "q.json"}, {"relatório"}},
        {{"--plant"}, tasksOn},
        {{"--model", "elastic"}, {"mps", "relatório"}},
        {{"--uncovered-cost", "5000"}, {"mps", "relatório"}, {"--model", "elastic"}},
        {{"--solution", "s.sol"}, {"solução", "relatório"}, {"--plant"}},
        {{"--solve"}, {"relatório", "console"}},
        // A limit the run does not reach, and more threads: the same files, byte for byte.
        {{"--max-columns", "1000000"}, {}},
        {{"--threads", "3"}, {}},
        {{"--column-file", "c.txt"}, {"colunas", "outro nome", "relatório"}},
        {{"--tasks-csv", "t.csv"}, {"tabelas", "relatório"}},
        {{"--trips-csv", "t.csv"}, {"tabelas", "relatório"}},
        // So short that the solve stops before its first pass.
        {{"--solve-seconds", "1e-9"}, {"relatório", "console"}, {"--solve", "--model", "elastic"}},
        {{"--solve-trace", "p.jsonl"}, {"traço", "relatório"}, {"--solve"}},
    };
    // The options of the program rather than of the run are checked by running it.
    TKinds covered = {"directory", "no-wait", "help",  "version", "check-solution", "series",
                      "progress",  "shard",   "resume", "merge",   "language"};
    std::map<std::vector<std::string>, TArtifacts> bases;
    for (const auto& [extra, expected, shared] : rows) {
        std::string option = extra[0];
        covered.insert(option.substr(option.rfind("no-", 2) == 2 ? 5 : 2));
        // A build without Clp and Cbc refuses --solve; its rows run in a build with them.
        bool solves = option == "--solve" || std::find(shared.begin(), shared.end(), "--solve") != shared.end();
        if (solves && !solverAvailable()) continue;
        if (!bases.count(shared)) bases[shared] = runWith(shared);
        const TArtifacts& base = bases[shared];
        ASSERT_NE(base.at("colunas"), "(ausente)");
        std::vector<std::string> changedOptions = shared;
        changedOptions.insert(changedOptions.end(), extra.begin(), extra.end());
        TArtifacts changed = runWith(changedOptions);
        TKinds differing;
        for (const auto& [kind, content] : base) {
            if (changed.at(kind) != content) differing.insert(kind);
        }
        EXPECT_EQ(differing, expected) << option;
    }
    for (const TSettingRow& row : settingRows()) EXPECT_TRUE(covered.count(row.name)) << "no row for --" << row.name;
}

}  // namespace
