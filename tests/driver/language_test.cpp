#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <locale.h>
#include <regex>
#include <set>

#include <gtest/gtest.h>

#include "support/test_support.h"

using namespace gerador;

namespace {

// The standard run, pinned as in the program's own test: the Portuguese console.
const std::string kColumnFileName = "150_3304438.txt";
const std::string kStandardFileDigest = "55ea1d2a3bc20a70c1550fd7999bf3f65a127390629e2331ba9a29d3f26fce01";
const std::string kStandardConsoleDigest = "03aa8727fc1f798561634847034b2bd040b7791a0b67120636d2982036e72ee5";

// Words of the Portuguese console that an English line never holds.
const std::set<std::string> kPortugueseWords = {
    "geradas", "Pressione", "sucesso", "tarefas", "tarefa", "colunas", "coluna", "viagens", "não",
    "opção", "opções", "Erro", "Aviso", "Uso", "Relatório", "Partição", "Solução", "arquivo", "deve",
    "grava", "mostra", "semente", "padrão", "local", "locais", "partição", "cobre", "fase", "ou"};

// The Portuguese words of text; file names the program keeps in every language
// (arquivos/viagens.txt) are not words of it.
std::set<std::string> portugueseWordsIn(const std::string& text) {
    std::string words = std::regex_replace(text, std::regex("arquivos/[a-z]+\\.txt"), " ");
    std::set<std::string> found;
    std::string word;
    for (char byte : words + " ") {
        // Bytes of a UTF-8 sequence are letters of a word.
        if (std::isalpha(static_cast<unsigned char>(byte)) != 0 || static_cast<unsigned char>(byte) >= 0x80) {
            word += byte;
        } else {
            if (kPortugueseWords.count(word) != 0) found.insert(word);
            word.clear();
        }
    }
    return found;
}

// True when the locale is installed; otherwise skips, except under CI, where that fails.
bool hasLocale(const char* name) {
    locale_t locale = newlocale(LC_ALL_MASK, name, nullptr);
    if (locale != nullptr) {
        freelocale(locale);
        return true;
    }
    const char* ci = std::getenv("CI");
    if (ci != nullptr && std::string(ci) == "true") ADD_FAILURE() << name << " is not installed under CI";
    return false;
}

std::string digestOf(const std::string& text, const std::filesystem::path& folder) {
    writeFile(folder / "digested", text);
    return sha256Of(folder / "digested");
}

// The standard run writes the same column file in every language. Its console is the
// Portuguese one byte for byte in the C locale, in Portuguese and wherever the command line
// asks for Portuguese, and holds no Portuguese word in English.
TEST(Language, StandardRunKeepsItsFileAndSpeaksTheLanguageChosen) {
    struct TCase {
        const char* name;
        std::vector<std::string> environment;
        std::vector<std::string> arguments;
        const char* locale;  // that the row needs
        bool english;
    };
    const TCase cases[] = {
        {"no locale variables", {}, {}, "C", false},
        {"LANG=C", {"LANG=C"}, {}, "C", false},
        {"LANG=pt_BR.UTF-8", {"LANG=pt_BR.UTF-8"}, {}, "pt_BR.UTF-8", false},
        {"--language pt in an English locale", {"LANG=en_US.UTF-8"}, {"--language", "pt"}, "en_US.UTF-8", false},
        {"--language en", {}, {"--language", "en"}, "C", true},
        {"LANG=en_US.UTF-8", {"LANG=en_US.UTF-8"}, {}, "en_US.UTF-8", true},
    };
    for (const TCase& row : cases) {
        SCOPED_TRACE(row.name);
        if (!hasLocale(row.locale)) continue;
        TTemporaryFolder folder;
        TRunOptions options = withArguments(row.arguments);
        options.environment = row.environment;
        TProgramResult run = runProgram(folder.path(), options);
        ASSERT_EQ(run.exitStatus, 0) << run.standardError;
        EXPECT_EQ(sha256Of(folder.path() / kColumnFileName), kStandardFileDigest);
        if (!row.english) {
            EXPECT_EQ(digestOf(run.standardOutput, folder.path()), kStandardConsoleDigest);
            continue;
        }
        EXPECT_NE(run.standardOutput.find("   150 tasks generated successfully.\n"), std::string::npos);
        EXPECT_EQ(portugueseWordsIn(run.standardOutput), std::set<std::string>{}) << run.standardOutput;
    }
}

// Help, errors, warnings and summaries in English: each row's whole console.
TEST(Language, EnglishConsoleHasNoPortugueseWords) {
    struct TCase {
        std::vector<std::string> arguments;
        int exitStatus;
    };
    const TCase cases[] = {
        {{"--help"}, 0},
        {{"--bogus"}, 2},                                    // unknown option
        {{"--count", "many"}, 2},                            // a value that is no number
        {{"--depot-count", "20"}, 2},                        // a rule between settings
        {{"--solution", "s.sol"}, 2},                        // a file with nothing to hold
        {{"--check-solution", "absent.sol"}, 2},             // a file that does not exist
        {{"--merge", "nowhere", "--series", "2"}, 1},        // an error while running
        {{"--count", "12", "--max-tasks", "3", "--report", "r.json", "--no-wait"}, 0},  // warnings, summary
        {{"--plant", "--count", "40", "--max-tasks", "5", "--no-wait"}, 0},           // the planted partition
        {{"--count", "30", "--max-tasks", "4", "--max-columns", "10", "--no-wait"}, 1},  // a limit reached
    };
    for (const TCase& row : cases) {
        SCOPED_TRACE(row.arguments.front() + " " + (row.arguments.size() > 1 ? row.arguments[1] : ""));
        TTemporaryFolder folder;
        std::vector<std::string> arguments = {"--language", "en"};
        arguments.insert(arguments.end(), row.arguments.begin(), row.arguments.end());
        TProgramResult run = runProgram(folder.path(), withArguments(arguments));
        EXPECT_EQ(run.exitStatus, row.exitStatus) << run.standardError;
        std::string console = run.standardOutput + run.standardError;
        EXPECT_FALSE(console.empty());
        EXPECT_EQ(portugueseWordsIn(console), std::set<std::string>{}) << console;
    }
}

// Only messages change with the language: every file of a run is the same bytes, but the
// picture, which a person reads, and the report, which times the run.
TEST(Language, FilesAreTheSameInEveryLanguage) {
    const std::vector<std::string> outputs = {
        "--count", "60", "--max-tasks", "6", "--mps", "i.mps", "--model", "elastic", "--orlib", "i.txt",
        "--tasks-csv", "tasks.csv", "--trips-csv", "trips.csv", "--report", "r.json", "--svg", "i.svg",
        "--task-write-file", "--trip-write-file", "--no-wait"};
    TTemporaryFolder portuguese;
    TTemporaryFolder english;
    TRunOptions inPortuguese = withArguments(outputs);
    inPortuguese.arguments.insert(inPortuguese.arguments.end(), {"--language", "pt"});
    TRunOptions inEnglish = withArguments(outputs);
    inEnglish.arguments.insert(inEnglish.arguments.end(), {"--language", "en"});
    ASSERT_EQ(runProgram(portuguese.path(), inPortuguese).exitStatus, 0);
    ASSERT_EQ(runProgram(english.path(), inEnglish).exitStatus, 0);
    std::vector<std::string> files = {kColumnFileName, "i.mps",    "i.txt", "tasks.csv", "trips.csv",
                                      "arquivos/viagens.txt", "arquivos/tarefas.txt"};
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        EXPECT_EQ(readFile(portuguese.path() / file), readFile(english.path() / file));
    }
    // The report's explanation is data: the same sentence in both.
    std::regex explanation("\"explanation\": *\"[^\"]*\"");
    std::smatch inPortugueseReport;
    std::smatch inEnglishReport;
    std::string portugueseReport = readFile(portuguese.path() / "r.json");
    std::string englishReport = readFile(english.path() / "r.json");
    ASSERT_TRUE(std::regex_search(portugueseReport, inPortugueseReport, explanation));
    ASSERT_TRUE(std::regex_search(englishReport, inEnglishReport, explanation));
    EXPECT_EQ(inPortugueseReport.str(), inEnglishReport.str());
    // The picture's class names are names, not words of it.
    std::string picture = std::regex_replace(readFile(english.path() / "i.svg"), std::regex("class=\"[a-z]+\""), "");
    EXPECT_EQ(portugueseWordsIn(picture), std::set<std::string>{});
}

}  // namespace
