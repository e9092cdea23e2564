#include "exports/data_tables.h"

#include <sstream>

#include <gtest/gtest.h>

#include "exports/export_test_support.h"
#include "support/test_support.h"

using namespace gerador;

namespace {

std::vector<std::string> wordsOf(const std::string& line, char separator) {
    std::vector<std::string> words;
    std::istringstream stream(line);
    std::string word;
    while (std::getline(stream, word, separator)) {
        if (!word.empty()) words.push_back(word);
    }
    return words;
}

// The CSV tables hold what the task and trip files hold, field for field.
TEST(DataTables, CsvTablesMatchTheTaskAndTripFiles) {
    TTemporaryFolder folder;
    TWorkingDirectory inFolder(folder.path());
    std::filesystem::create_directory("arquivos");
    TSettings settings = smallSettings(kSmallInstances[2]);
    settings.tripWriteFile = true;
    settings.taskWriteFile = true;
    settings.tasksCsvFileName = "tarefas.csv";
    settings.tripsCsvFileName = "viagens.csv";
    runQuietly(settings);

    std::vector<std::string> taskLines = linesOf(readFile("arquivos/tarefas.txt"));
    std::vector<std::string> csv = linesOf(readFile("tarefas.csv"));
    ASSERT_EQ(csv.size(), taskLines.size() - 1);
    EXPECT_EQ(csv[0], "number,origin,destination,start,end,durationMinutes,cost,startTask");
    for (std::size_t task = 1; task < csv.size(); ++task) {
        // "7 01/01/2006 10:15 01/01/2006 11:30 01:15 2 5 317"
        std::vector<std::string> file = wordsOf(taskLines[task + 1], ' ');
        std::vector<std::string> row = wordsOf(csv[task], ',');
        ASSERT_EQ(row.size(), 8u) << csv[task];
        auto iso = [](const std::string& date, const std::string& time) {
            return date.substr(6, 4) + "-" + date.substr(3, 2) + "-" + date.substr(0, 2) + "T" + time;
        };
        EXPECT_EQ(row[0], file[0]);
        EXPECT_EQ(row[1], file[6]);
        EXPECT_EQ(row[2], file[7]);
        EXPECT_EQ(row[3], iso(file[1], file[2]));
        EXPECT_EQ(row[4], iso(file[3], file[4]));
        EXPECT_EQ(std::stoi(row[5]), std::stoi(file[5].substr(0, 2)) * 60 + std::stoi(file[5].substr(3)));
        EXPECT_EQ(row[6], file[8]);
        EXPECT_EQ(row[7], std::stoi(file[6]) <= settings.depotCount ? "true" : "false");
    }

    // The trip file's row i: i, then per destination j "distance cost HH:MM".
    std::vector<std::string> tripLines = linesOf(readFile("arquivos/viagens.txt"));
    std::vector<std::string> trips = linesOf(readFile("viagens.csv"));
    EXPECT_EQ(trips[0], "from,to,distance,cost,travelMinutes");
    std::size_t row = 1;
    for (std::size_t from = 1; from < tripLines.size(); ++from) {
        std::vector<std::string> cells = wordsOf(tripLines[from], ' ');
        for (std::size_t to = 1; to < tripLines.size(); ++to) {
            if (to == from) continue;
            ASSERT_LT(row, trips.size());
            std::string travel = cells[3 * to];
            std::string expected = std::to_string(from) + "," + std::to_string(to) + "," + cells[3 * to - 2] + "," +
                                   cells[3 * to - 1] + "," +
                                   std::to_string(std::stoi(travel.substr(0, 2)) * 60 + std::stoi(travel.substr(3)));
            EXPECT_EQ(trips[row++], expected);
        }
    }
    EXPECT_EQ(row, trips.size());
}

// Both solvers read a compressed MPS file, and it is the plain one compressed.
TEST(DataTables, SolversReadCompressedMps) {
    if (solversMissing()) GTEST_SKIP();
    TTemporaryFolder folder;
    TWorkingDirectory inFolder(folder.path());
    TSettings settings = smallSettings(kSmallInstances[0]);
    settings.mpsFileName = "i.mps.gz";
    settings.orlibFileName = "i.txt.gz";
    runQuietly(settings);
    settings.mpsFileName = "plain.mps";
    settings.orlibFileName = "plain.txt";
    runQuietly(settings);
    ASSERT_EQ(std::system("gzip -dc i.mps.gz > back.mps && gzip -dc i.txt.gz > back.txt"), 0);
    EXPECT_EQ(readFile("back.mps"), readFile("plain.mps"));
    EXPECT_EQ(readFile("back.txt"), readFile("plain.txt"));
    EXPECT_EQ(cbcSolve(folder.path() / "i.mps.gz").objective, cbcSolve(folder.path() / "plain.mps").objective);
    EXPECT_EQ(glpsolSolve(folder.path() / "i.mps.gz").objective, glpsolSolve(folder.path() / "plain.mps").objective);
    // A large file is compressed as several gzip members; both solvers read them on as one.
    ASSERT_EQ(std::system("n=$(wc -l < plain.mps); head -n $((n / 2)) plain.mps | gzip -c > parts.mps.gz && "
                          "tail -n +$((n / 2 + 1)) plain.mps | gzip -c >> parts.mps.gz"),
              0);
    EXPECT_EQ(cbcSolve(folder.path() / "parts.mps.gz").objective, cbcSolve(folder.path() / "plain.mps").objective);
    EXPECT_EQ(glpsolSolve(folder.path() / "parts.mps.gz").objective, glpsolSolve(folder.path() / "plain.mps").objective);
}

}  // namespace
