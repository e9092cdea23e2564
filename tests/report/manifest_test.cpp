#include "report/manifest.h"

#include <sstream>

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include "common/run_files.h"
#include "support/column_file_reader.h"
#include "support/test_support.h"

using namespace gerador;

namespace {

std::vector<std::string> fieldsOf(const std::string& line) {
    std::vector<std::string> fields;
    std::istringstream stream(line);
    std::string field;
    while (std::getline(stream, field, ',')) fields.push_back(field);
    return fields;
}

// A field holding a comma, a quote or a line end is quoted as RFC 4180 says, so that it
// adds no column and no row (a witness holding ",\n" once added a row).
TEST(Manifest, CsvFieldsAreQuoted) {
    TTemporaryFolder folder;
    TManifestRow row;
    row.folder = "a,\"b\"\nc";
    TWrittenFile& written = row.files.emplace_back();
    written.name = "a,\"b\"\nc/x.mps";
    written.sha256 = "ab";
    {
        TRunFiles files;
        writeManifestCsv(files.create((folder.path() / "m.csv").string()), {row});
        files.commit();
    }
    std::vector<std::string> lines = linesOf(readFile(folder.path() / "m.csv"));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].substr(lines[0].rfind(',') + 1), "sha256 x.mps");
    EXPECT_EQ(lines[1] + "\n" + lines[2], "\"a,\"\"b\"\"\nc\",0,0,0,0,0,0,0,,,,,,,,,,,,,,ab");
}

// A series of three: every row of the manifest agrees with the files of its folder
// (digests, column and nonzero counts, verdicts), and instance 1 is the single run.
TEST(Series, ManifestAgreesWithTheFilesAndInstanceOneWithTheSingleRun) {
    const std::vector<std::string> options = {"--count", "30", "--location-count", "6", "--max-tasks", "5",
                                              "--mps", "i.mps.gz", "--orlib", "i.txt", "--task-write-file",
                                              "--no-column-echo", "--no-wait"};
    TTemporaryFolder series;
    std::vector<std::string> arguments = options;
    arguments.insert(arguments.end(), {"--series", "3", "-C", "saida"});
    TProgramResult run = runProgram(series.path(), withArguments(arguments));
    ASSERT_EQ(run.exitStatus, 0) << run.standardError;
    std::filesystem::path folder = series.path() / "saida";
    EXPECT_EQ(entriesOf(folder), (std::vector<std::string>{"001", "002", "003", "manifest.csv", "manifest.json"}));

    std::vector<std::string> lines = linesOf(readFile(folder / "manifest.csv"));
    ASSERT_EQ(lines.size(), 4u);
    std::vector<std::string> header = fieldsOf(lines[0]);
    nlohmann::json manifest = nlohmann::json::parse(readFile(folder / "manifest.json"));
    ASSERT_EQ(manifest["instances"].size(), 3u);
    for (std::size_t instance = 0; instance < 3; ++instance) {
        std::vector<std::string> row = fieldsOf(lines[instance + 1]);
        ASSERT_EQ(row.size(), header.size());
        std::string name = row[0];
        SCOPED_TRACE(name);
        EXPECT_EQ(row[2], std::to_string(instance));  // the task seed, plus k - 1
        TColumnFileText columns = readColumnFile(readFile(folder / name / "150_3304438.txt"));
        std::int64_t nonzeros = 0;
        for (const TTestColumn& column : columns.columns) nonzeros += static_cast<std::int64_t>(column.tasks.size());
        EXPECT_EQ(std::stoll(row[5]), static_cast<std::int64_t>(columns.columns.size()));
        EXPECT_EQ(std::stoll(row[6]), nonzeros);
        // Every file's digest, by the header's file names, against the file itself.
        for (std::size_t field = 0; field < header.size(); ++field) {
            if (header[field].rfind("sha256 ", 0) != 0) continue;
            EXPECT_EQ(row[field], sha256Of(folder / name / header[field].substr(7))) << header[field];
        }
        const nlohmann::json& record = manifest["instances"][instance];
        EXPECT_EQ(record["folder"], name);
        EXPECT_EQ(record["columns"], columns.columns.size());
        for (const nlohmann::json& file : record["files"]) {
            std::filesystem::path path = folder / file["name"].get<std::string>();
            EXPECT_EQ(file["bytes"], std::filesystem::file_size(path));
            EXPECT_EQ(file["sha256"], sha256Of(path));
        }
        // A task no column covers shows in both the column file and the verdict.
        std::vector<bool> covered(static_cast<std::size_t>(columns.taskCount), false);
        for (const TTestColumn& column : columns.columns) {
            for (std::int32_t task : column.tasks) covered[static_cast<std::size_t>(task - 1)] = true;
        }
        if (std::find(covered.begin(), covered.end(), false) != covered.end()) {
            EXPECT_EQ(record["witness"], "uncovered-task");
            EXPECT_EQ(record["exactPartition"], false);
        }
    }

    // Each record reads back into the row that gives it again.
    nlohmann::ordered_json ordered = nlohmann::ordered_json::parse(readFile(folder / "manifest.json"));
    for (const nlohmann::ordered_json& record : ordered["instances"]) {
        EXPECT_EQ(manifestRowJson(manifestRowFromJson(record)), record);
    }

    TTemporaryFolder single;
    ASSERT_EQ(runProgram(single.path(), withArguments(options)).exitStatus, 0);
    for (const char* name : {"150_3304438.txt", "i.mps.gz", "i.txt", "arquivos/tarefas.txt"}) {
        EXPECT_EQ(sha256Of(single.path() / name), sha256Of(folder / "001" / name)) << name;
    }
}

// In a planted series every instance has an exact partition by construction: the manifest
// says so with the witness "planted", and the report and the solution file of each instance
// name the planted columns, which cover every task of its column file exactly once.
TEST(Series, APlantedSeriesNamesItsWitness) {
    TTemporaryFolder series;
    TProgramResult run = runProgram(
        series.path(), withArguments({"--series", "2", "--plant", "--count", "24", "--location-count", "6",
                                      "--min-tasks", "1", "--max-tasks", "4", "--report", "r.json", "--solution",
                                      "p.sol", "-C", "s", "--no-column-echo", "--no-wait"}));
    ASSERT_EQ(run.exitStatus, 0) << run.standardError;
    std::filesystem::path folder = series.path() / "s";
    std::vector<std::string> lines = linesOf(readFile(folder / "manifest.csv"));
    ASSERT_EQ(lines.size(), 3u);
    std::vector<std::string> header = fieldsOf(lines[0]);
    auto field = std::find(header.begin(), header.end(), "witness") - header.begin();
    nlohmann::json manifest = nlohmann::json::parse(readFile(folder / "manifest.json"));
    ASSERT_EQ(manifest["instances"].size(), 2u);
    for (std::size_t instance = 0; instance < 2; ++instance) {
        std::vector<std::string> row = fieldsOf(lines[instance + 1]);
        SCOPED_TRACE(row[0]);
        ASSERT_LT(static_cast<std::size_t>(field), row.size());
        EXPECT_EQ(row[static_cast<std::size_t>(field) - 1], "true");  // exactPartition
        EXPECT_EQ(row[static_cast<std::size_t>(field)], "planted");
        const nlohmann::json& record = manifest["instances"][instance];
        EXPECT_EQ(record["exactPartition"], true);
        EXPECT_EQ(record["witness"], "planted");

        TColumnFileText columns = readColumnFile(readFile(folder / row[0] / "150_3304438.txt"));
        nlohmann::json partition = nlohmann::json::parse(readFile(folder / row[0] / "r.json"))["partition"];
        EXPECT_EQ(partition["witness"], "planted");
        std::vector<int> covered(static_cast<std::size_t>(columns.taskCount), 0);
        std::vector<std::string> named;
        for (std::int64_t number : partition["columns"].get<std::vector<std::int64_t>>()) {
            ASSERT_TRUE(number >= 1 && number <= static_cast<std::int64_t>(columns.columns.size())) << number;
            for (std::int32_t task : columns.columns[static_cast<std::size_t>(number - 1)].tasks)
                ++covered[static_cast<std::size_t>(task - 1)];
            named.push_back("C" + std::to_string(number) + " 1");
        }
        EXPECT_EQ(std::count(covered.begin(), covered.end(), 1), columns.taskCount) << "every task exactly once";
        std::vector<std::string> solution = linesOf(readFile(folder / row[0] / "p.sol"));
        EXPECT_EQ(std::vector<std::string>(solution.begin() + 1, solution.end()), named);
    }
}

// A series whose first instance fails leaves no folder, manifest or file of its own behind
// (each instance commits on its own: a later failure keeps the earlier instances).
TEST(Series, AFailedSeriesLeavesNothing) {
    TTemporaryFolder folder;
    writeFile(folder.path() / "manifest.csv", "an earlier series\n");
    TRunOptions options = withArguments({"--series", "3", "--count", "150", "--no-column-echo", "--no-wait"});
    options.fileSizeLimit = 10 << 20;
    TProgramResult run = runProgram(folder.path(), options);
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(entriesOf(folder.path()), std::vector<std::string>{"manifest.csv"});
    EXPECT_EQ(readFile(folder.path() / "manifest.csv"), "an earlier series\n");

    // Nor does a single run leave the folders it made, -C's and arquivos/ (they stayed empty).
    options = withArguments({"--count", "150", "--task-write-file", "-C", "novo/fundo", "--no-column-echo",
                             "--no-wait"});
    options.fileSizeLimit = 1 << 20;
    run = runProgram(folder.path(), options);
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(entriesOf(folder.path()), std::vector<std::string>{"manifest.csv"});
}

// A series of any length commits each instance whole with its record: 100 instances of
// four files each, and 1,000 of one, which a second run keeps whole (ten instances once
// passed a table of 64 temporary files).
TEST(Series, OfAnyLengthCommitsWhole) {
    struct TRow {
        const char* instances;
        std::vector<std::string> outputs;
    };
    const std::vector<TRow> rows = {
        {"100", {"--mps", "i.mps", "--report", "r.json", "--svg", "p.svg"}},
        {"1000", {}},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.instances);
        TTemporaryFolder folder;
        std::vector<std::string> arguments = {"--series", row.instances, "--count", "10", "--max-tasks", "3",
                                              "--location-count", "6", "--depot-count", "2", "-C", "s",
                                              "--no-column-echo", "--no-wait"};
        arguments.insert(arguments.end(), row.outputs.begin(), row.outputs.end());
        TProgramResult run = runProgram(folder.path(), withArguments(arguments));
        ASSERT_EQ(run.exitStatus, 0) << run.standardError.substr(0, 2000);
        int instances = std::stoi(row.instances);
        std::vector<std::string> folders = entriesOf(folder.path() / "s");
        EXPECT_EQ(folders.size(), static_cast<std::size_t>(instances) + 2);
        std::filesystem::path last = folder.path() / "s" / folders[static_cast<std::size_t>(instances) - 1];
        EXPECT_EQ(entriesOf(last).size(), row.outputs.size() / 2 + 2) << "the files and the record";
        std::string manifest = readFile(folder.path() / "s" / "manifest.csv");
        EXPECT_EQ(linesOf(manifest).size(), static_cast<std::size_t>(instances) + 1);
        if (instances < 1000) continue;
        TProgramResult resumed = runProgram(folder.path(), withArguments(arguments));
        EXPECT_NE(resumed.standardOutput.find("0 feitas, 1000 mantidas"), std::string::npos);
        EXPECT_EQ(readFile(folder.path() / "s" / "manifest.csv"), manifest);
    }
}

}  // namespace
