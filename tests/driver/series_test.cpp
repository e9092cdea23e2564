// Series made whole, resumed after a crash, and in parts merged: the same instances and
// the same manifest every way.
#include <filesystem>
#include <functional>
#include <map>
#include <sys/stat.h>

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include "solve/solver.h"
#include "support/test_support.h"

using namespace gerador;

namespace fs = std::filesystem;

namespace {

const std::vector<std::string> kSmall = {"--count", "20", "--max-tasks", "5", "--location-count", "6",
                                         "--depot-count", "2", "--no-column-echo", "--no-wait"};

std::vector<std::string> with(std::vector<std::string> arguments, const std::vector<std::string>& more) {
    arguments.insert(arguments.end(), more.begin(), more.end());
    return arguments;
}

// The file as it would be in any run: a report without its run's time and memory.
std::string timeless(const fs::path& file) {
    std::string text = readFile(file);
    if (file.extension() != ".json") return text;
    nlohmann::ordered_json report = nlohmann::ordered_json::parse(text);
    report.erase("run");
    return report.dump(1);
}

// Every file of instance k of a series is the file of the single run whose seeds are the
// series' plus k - 1, its report included (it once listed the earlier instances' files).
TEST(Series, EachInstanceIsTheSingleRunOfItsSeeds) {
    const std::vector<std::vector<std::string>> rows = {
        {"--report", "r.json"},
        {"--report", "r.json", "--mps", "i.mps.gz", "--svg", "p.svg", "--task-seed", "9"},
        {"--plant", "--solution", "p.sol", "--report", "r.json", "--trip-write-file", "--column-seed", "4"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.back());
        TTemporaryFolder folder;
        ASSERT_EQ(runProgram(folder.path(), withArguments(with(with(kSmall, row), {"--series", "3", "-C", "s"})))
                      .exitStatus,
                  0);
        for (int instance = 2; instance <= 3; ++instance) {
            std::vector<std::string> single = with(kSmall, row);
            for (const char* seed : {"--trip-seed", "--task-seed", "--column-seed"}) {
                auto given = std::find(single.begin(), single.end(), seed);
                std::uint32_t base = given == single.end() ? 0 : std::stoul(*(given + 1));
                single = with(single, {seed, std::to_string(base + instance - 1)});
            }
            fs::path alone = folder.path() / ("single" + std::to_string(instance));
            ASSERT_EQ(runProgram(folder.path(), withArguments(with(single, {"-C", alone.string()}))).exitStatus, 0);
            fs::path made = folder.path() / "s" / ("00" + std::to_string(instance));
            for (const auto& entry : fs::recursive_directory_iterator(alone)) {
                if (!entry.is_regular_file()) continue;
                fs::path name = fs::relative(entry.path(), alone);
                EXPECT_EQ(timeless(made / name), timeless(entry.path())) << instance << "/" << name;
            }
        }
    }
}

// A series killed after its second instance keeps the two, and the same command then
// makes the rest: the manifest is the clean run's, and the kept files were not remade.
TEST(Series, ResumesAfterASigkillToTheCleanRunsManifest) {
    TTemporaryFolder folder;
    std::vector<std::string> series = with(kSmall, {"--series", "4", "--mps", "i.mps", "-C", "s"});
    TRunOptions killed = withArguments(series);
    killed.program = GERADOR_FAULTS_PATH;
    killed.environment = {"GERADOR_FAULT=committed:2:kill"};
    EXPECT_EQ(runProgram(folder.path(), killed).exitStatus, -1);
    EXPECT_EQ(entriesOf(folder.path() / "s"), (std::vector<std::string>{"001", "002"}));
    struct stat before {};
    ASSERT_EQ(stat((folder.path() / "s/002/i.mps").c_str(), &before), 0);

    TProgramResult resumed = runProgram(folder.path(), withArguments(series));
    ASSERT_EQ(resumed.exitStatus, 0) << resumed.standardError;
    EXPECT_NE(resumed.standardOutput.find("Instância 002: mantida"), std::string::npos);
    EXPECT_NE(resumed.standardOutput.find("2 feitas, 2 mantidas"), std::string::npos);
    struct stat after {};
    ASSERT_EQ(stat((folder.path() / "s/002/i.mps").c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino) << "a kept instance was made again";

    ASSERT_EQ(runProgram(folder.path(), withArguments(with(kSmall, {"--series", "4", "--mps", "i.mps", "-C", "clean"})))
                  .exitStatus,
              0);
    for (const char* manifest : {"manifest.csv", "manifest.json"}) {
        EXPECT_EQ(readFile(folder.path() / "s" / manifest), readFile(folder.path() / "clean" / manifest)) << manifest;
    }

    // An instance whose file changed is made again; --no-resume makes every one again.
    writeFile(folder.path() / "s/003/i.mps", "damaged\n");
    TProgramResult repaired = runProgram(folder.path(), withArguments(series));
    EXPECT_NE(repaired.standardOutput.find("1 feitas, 3 mantidas"), std::string::npos) << repaired.standardOutput;
    EXPECT_EQ(readFile(folder.path() / "s/manifest.csv"), readFile(folder.path() / "clean/manifest.csv"));
    TProgramResult again = runProgram(folder.path(), withArguments(with(series, {"--no-resume"})));
    EXPECT_NE(again.standardOutput.find("4 feitas, 0 mantidas"), std::string::npos) << again.standardOutput;
}

// Three parts at once into one folder, then a merge, give the single run's manifest byte
// for byte; a merge that finds an instance missing, changed or made with other settings
// names it, fails, and writes no manifest.
TEST(Series, PartsMergeToTheSingleRunsManifest) {
    if (toolsMissing({"parallel"})) GTEST_SKIP() << "GNU parallel is not installed";
    TTemporaryFolder folder;
    std::vector<std::string> series = with(kSmall, {"--series", "7", "--mps", "i.mps"});
    ASSERT_EQ(runProgram(folder.path(), withArguments(with(series, {"-C", "single"}))).exitStatus, 0);

    std::string command = "parallel --halt now,fail=1 " GERADOR_PATH;
    for (const std::string& argument : series) command += " '" + argument + "'";
    command += " -C parts --shard {}/3 ::: 1 2 3 > parallel.out 2>&1";
    TRunOptions shell = withArguments({"-c", command});
    shell.program = "/bin/sh";
    ASSERT_EQ(runProgram(folder.path(), shell).exitStatus, 0) << readFile(folder.path() / "parallel.out");
    EXPECT_FALSE(fs::exists(folder.path() / "parts/manifest.csv")) << "a part wrote a manifest";
    EXPECT_EQ(entriesOf(folder.path() / "parts").size(), 7u);

    TProgramResult merged = runProgram(folder.path(), withArguments(with(series, {"--merge", "parts"})));
    ASSERT_EQ(merged.exitStatus, 0) << merged.standardError;
    for (const char* manifest : {"manifest.csv", "manifest.json"}) {
        EXPECT_EQ(readFile(folder.path() / "parts" / manifest), readFile(folder.path() / "single" / manifest));
    }

    struct TDamage {
        const char* label;
        std::function<void(const fs::path&)> damage;
        std::vector<std::string> settings;
        std::string message;
    };
    const TDamage damages[] = {
        {"a missing instance", [](const fs::path& parts) { fs::remove_all(parts / "005"); }, series,
         "Instância 005: falta o registro 005/instance.json"},
        {"a changed file", [](const fs::path& parts) { writeFile(parts / "006/i.mps", "changed\n"); }, series,
         "Instância 006: o arquivo 006/i.mps não confere"},
        {"other settings", [](const fs::path&) {}, with(series, {"--max-tasks", "4"}),
         "Instância 001: 001/instance.json foi feito com outras opções"},
    };
    for (const TDamage& row : damages) {
        SCOPED_TRACE(row.label);
        fs::remove_all(folder.path() / "copy");
        fs::copy(folder.path() / "parts", folder.path() / "copy", fs::copy_options::recursive);
        fs::remove(folder.path() / "copy/manifest.csv");
        fs::remove(folder.path() / "copy/manifest.json");
        row.damage(folder.path() / "copy");
        TProgramResult refused = runProgram(folder.path(), withArguments(with(row.settings, {"--merge", "copy"})));
        EXPECT_EQ(refused.exitStatus, 1);
        EXPECT_NE(refused.standardError.find(row.message), std::string::npos) << refused.standardError;
        EXPECT_FALSE(fs::exists(folder.path() / "copy/manifest.csv"));
    }
}

// The same series made twice is the same files, byte for byte, the report and the solve's
// included: a manifest verifies a series made again. The report once carried the run's
// time and memory, so that no two makings of a series had one digest.
TEST(Series, MadeTwiceIsTheSameFiles) {
    TTemporaryFolder folder;
    std::vector<std::string> series = with(kSmall, {"--series", "2", "--plant", "--report", "r.json"});
    // A build without the solver still shows the report's own facts.
    if (solverAvailable()) series = with(series, {"--solve", "--solution", "s.sol"});
    for (const char* made : {"first", "second"}) {
        ASSERT_EQ(runProgram(folder.path(), withArguments(with(series, {"-C", made}))).exitStatus, 0) << made;
    }
    auto filesOf = [&](const char* made) {
        nlohmann::ordered_json manifest = nlohmann::ordered_json::parse(readFile(folder.path() / made / "manifest.json"));
        nlohmann::ordered_json files = nlohmann::ordered_json::array();
        for (const auto& instance : manifest["instances"]) files.push_back(instance["files"]);
        return files;
    };
    EXPECT_EQ(filesOf("first"), filesOf("second"));
    EXPECT_EQ(readFile(folder.path() / "first/002/r.json"), readFile(folder.path() / "second/002/r.json"));
    // The run's facts stay in the record, which the manifest lists no digest of.
    nlohmann::ordered_json record = nlohmann::ordered_json::parse(readFile(folder.path() / "first/001/instance.json"));
    EXPECT_TRUE(record["run"].contains("wallSeconds"));
}

// A record stands only for the files its settings make, by their names inside its folder,
// with numbers the run could have written, and is read only when it is a regular file:
// resume once kept an instance whose record listed no file, and a merge accepted forged
// numbers, read files outside the series and hung on a FIFO.
TEST(Series, ARecordIsCheckedAgainstItsSettings) {
    TTemporaryFolder folder;
    std::vector<std::string> series = with(kSmall, {"--series", "2", "--mps", "i.mps"});
    ASSERT_EQ(runProgram(folder.path(), withArguments(with(series, {"-C", "made"}))).exitStatus, 0);
    fs::create_directory(folder.path() / "victim");
    writeFile(folder.path() / "victim/precious", "precious\n");
    auto editRecord = [](const fs::path& copy, const std::function<void(nlohmann::ordered_json&)>& edit) {
        nlohmann::ordered_json record = nlohmann::ordered_json::parse(readFile(copy / "001/instance.json"));
        edit(record["instance"]);
        writeFile(copy / "001/instance.json", record.dump(2));
    };
    struct TForgery {
        const char* label;
        std::function<void(const fs::path&)> forge;
        bool resumes = true;  // a FIFO under an output's name is written in place, as in any run: merge only
    };
    const TForgery forgeries[] = {
        {"no files", [&](const fs::path& copy) { editRecord(copy, [](auto& row) { row["files"] = nlohmann::json::array(); }); }},
        {"another instance's file",
         [&](const fs::path& copy) {
             nlohmann::ordered_json other = nlohmann::ordered_json::parse(readFile(copy / "002/instance.json"));
             editRecord(copy, [&](auto& row) { row["files"][1] = other["instance"]["files"][1]; });
         }},
        {"a file outside the series",
         [&](const fs::path& copy) {
             editRecord(copy, [&](auto& row) {
                 row["files"][1] = {{"name", "001/../../victim/precious"}, {"bytes", 9},
                                    {"sha256", sha256Of(folder.path() / "victim/precious")}};
             });
         }},
        {"a negative task count", [&](const fs::path& copy) { editRecord(copy, [](auto& row) { row["tasks"] = -5; }); }},
        {"a float for a count", [&](const fs::path& copy) { editRecord(copy, [](auto& row) { row["columns"] = 1e30; }); }},
        {"more columns than 32 bits", [&](const fs::path& copy) {
             editRecord(copy, [](auto& row) { row["columns"] = 1LL << 33; });
         }},
        {"a witness the run never writes", [&](const fs::path& copy) {
             editRecord(copy, [](auto& row) { row["witness"] = "x,\n002,0"; });
         }},
        {"another seed", [&](const fs::path& copy) { editRecord(copy, [](auto& row) { row["taskSeed"] = 7; }); }},
        {"a FIFO for the record",
         [](const fs::path& copy) {
             fs::remove(copy / "001/instance.json");
             ASSERT_EQ(mkfifo((copy / "001/instance.json").c_str(), 0600), 0);
         },
         false},
        {"a FIFO for a file",
         [](const fs::path& copy) {
             fs::remove(copy / "001/i.mps");
             ASSERT_EQ(mkfifo((copy / "001/i.mps").c_str(), 0600), 0);
         },
         false},
    };
    for (const TForgery& row : forgeries) {
        SCOPED_TRACE(row.label);
        for (bool merge : {true, false}) {
            if (!merge && !row.resumes) continue;
            fs::remove_all(folder.path() / "copy");
            fs::copy(folder.path() / "made", folder.path() / "copy", fs::copy_options::recursive);
            fs::remove(folder.path() / "copy/manifest.csv");
            fs::remove(folder.path() / "copy/manifest.json");
            row.forge(folder.path() / "copy");
            TRunOptions options = withArguments(with(series, {merge ? "--merge" : "-C", "copy"}));
            options.timeoutSeconds = 20;
            TProgramResult run = runProgram(folder.path(), options);
            if (merge) {
                EXPECT_EQ(run.exitStatus, 1) << run.standardError;
                EXPECT_NE(run.standardError.find("001"), std::string::npos) << run.standardError;
                EXPECT_EQ(run.standardError.find("002"), std::string::npos) << run.standardError;
                EXPECT_FALSE(fs::exists(folder.path() / "copy/manifest.csv"));
            } else {
                // Resume makes the forged instance again, and only it: the manifest is the clean one.
                EXPECT_EQ(run.exitStatus, 0) << run.standardError;
                EXPECT_EQ(readFile(folder.path() / "copy/manifest.csv"), readFile(folder.path() / "made/manifest.csv"));
            }
        }
    }
    EXPECT_EQ(readFile(folder.path() / "victim/precious"), "precious\n");
}

// Resume finishes every commit a SIGKILL cut short in the series' folders, and removes the
// temporary files the killed run left: a kill after an instance's renames once left its
// journal and backups for good, and one mid-instance 200 MB of temporary files.
TEST(Series, ResumeLeavesNothingOfAKilledRun) {
    for (const char* fault : {"unlink:1:kill", "lock:2:kill"}) {
        SCOPED_TRACE(fault);
        TTemporaryFolder folder;
        std::vector<std::string> series = with(kSmall, {"--series", "3", "--mps", "i.mps", "-C", "s"});
        ASSERT_EQ(runProgram(folder.path(), withArguments(series)).exitStatus, 0);
        TRunOptions killed = withArguments(with(series, {"--no-resume"}));
        killed.program = GERADOR_FAULTS_PATH;
        killed.environment = {std::string("GERADOR_FAULT=") + fault};
        EXPECT_EQ(runProgram(folder.path(), killed).exitStatus, -1);
        auto leftovers = [&] {
            std::vector<std::string> names;
            for (const auto& entry : fs::recursive_directory_iterator(folder.path() / "s"))
                if (entry.path().filename().string().find(".gerador~") != std::string::npos)
                    names.push_back(entry.path().string());
            return names;
        };
        EXPECT_NE(leftovers(), std::vector<std::string>{});
        TProgramResult resumed = runProgram(folder.path(), withArguments(series));
        EXPECT_EQ(resumed.exitStatus, 0) << resumed.standardError;
        EXPECT_EQ(leftovers(), std::vector<std::string>{});
    }
}

}  // namespace
