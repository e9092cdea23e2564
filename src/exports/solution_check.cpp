#include "exports/solution_check.h"

#include <algorithm>
#include <cmath>
#include <istream>
#include <sstream>

#include "common/decimal_text.h"
#include "common/exceptions.h"
#include "common/messages.h"

namespace gerador {

namespace {

constexpr std::size_t kTasksNamed = 8;  // in one message; the rest are counted

// Lines longer than this are not of a solution file.
constexpr std::size_t kLongestLine = 4096;

// A piece of a line as a message can show it: bytes that are not printable ASCII escaped
// as \xHH, and at most 60 of the line's bytes.
std::string shownPiece(std::string_view text) {
    std::string shown;
    for (std::size_t at = 0; at < text.size() && at < 60; ++at) {
        auto byte = static_cast<unsigned char>(text[at]);
        if (byte < 0x20 || byte >= 0x7F) {
            const char* hex = "0123456789ABCDEF";
            shown += std::string("\\x") + hex[byte >> 4] + hex[byte & 0xF];
        } else {
            shown += static_cast<char>(byte);
        }
    }
    if (text.size() > 60) shown += "…";
    return shown;
}

[[noreturn]] void refuseLine(std::size_t line, std::string_view text, const std::string& reason = "") {
    if (reason.empty()) {
        throw EConvertError(textf(tr("a linha %zu do arquivo de solução não se lê: '%s'"), line, shownPiece(text).c_str()));
    }
    throw EConvertError(textf(tr("a linha %zu do arquivo de solução não se lê (%s): '%s'"), line, reason.c_str(),
                              shownPiece(text).c_str()));
}

// A number as the solvers write it, in decimal: sign, digits with an optional point and
// exponent; never nan, inf or hexadecimal, which a checker must not take for a value.
std::optional<double> decimalOf(const std::string& text) {
    std::optional<double> value = decimalOfText(text);
    return value && std::isfinite(*value) ? value : std::nullopt;
}

// The fields of a line, split at blanks.
std::vector<std::string> fieldsOf(const std::string& line) {
    std::vector<std::string> fields;
    std::istringstream stream(line);
    for (std::string field; stream >> field;) fields.push_back(field);
    return fields;
}

// "n" of a name "<prefix><n>" as the exports write it: n >= 1 with no leading zero; none
// otherwise.
std::optional<std::int64_t> numberAfter(const std::string& name, char prefix) {
    if (name.size() < 2 || name[0] != prefix || name.size() > 12 || name[1] == '0') return std::nullopt;
    std::int64_t number = 0;
    for (std::size_t at = 1; at < name.size(); ++at) {
        if (name[at] < '0' || name[at] > '9') return std::nullopt;
        number = number * 10 + (name[at] - '0');
    }
    return number >= 1 ? std::optional(number) : std::nullopt;
}

std::string tasksText(const std::vector<std::int32_t>& tasks) {
    return taskListText(tasks, kTasksNamed);
}

}  // namespace

TClaimedSolution readClaimedSolution(std::istream& input) {
    TClaimedSolution claimed;
    enum class TFormat { unknown, miplib, cbc, glpsol } format = TFormat::unknown;
    std::string line;
    for (std::size_t number = 1;; ++number) {
        // Line by line, each capped: a file of any size costs one line of memory.
        line.clear();
        int next = 0;
        while ((next = input.get()) != std::char_traits<char>::eof() && next != '\n') {
            if (line.size() == kLongestLine) refuseLine(number, line, textf(tr("passa de %zu bytes"), kLongestLine));
            line += static_cast<char>(next);
        }
        if (next == std::char_traits<char>::eof() && line.empty()) break;
        std::vector<std::string> fields = fieldsOf(line);
        if (fields.empty()) continue;
        const std::string& first = fields[0];
        if (format == TFormat::unknown) {
            if (first == "=obj=") {
                format = TFormat::miplib;
            } else if (std::size_t at = line.find(" - objective value "); at != std::string::npos) {
                format = TFormat::cbc;
                std::string value = line.substr(at + 19);
                value.erase(0, value.find_first_not_of(' '));
                value.erase(value.find_last_not_of(" \r") + 1);
                claimed.objective = decimalOf(value);
                if (!claimed.objective) refuseLine(number, line, tr("o valor não é um número decimal"));
                continue;
            } else if (first == "c" || first == "s") {
                format = TFormat::glpsol;
            } else {
                refuseLine(number, line);
            }
        }
        switch (format) {
            case TFormat::miplib: {
                if (fields.size() != 2) refuseLine(number, line);
                std::optional<double> value = decimalOf(fields[1]);
                if (!value) refuseLine(number, line, tr("o valor não é um número decimal"));
                if (first == "=obj=") {
                    claimed.objective = value;
                } else if (!numberAfter(first, 'C') && !numberAfter(first, 'S')) {
                    refuseLine(number, line, tr("o nome não é C<n> nem S<n>, como as exportações escrevem"));
                } else if (*value != 0.0) {
                    claimed.values.emplace_back(first, *value);
                }
                break;
            }
            case TFormat::cbc: {
                // "<index> <name> <value> <cost>"
                if (fields.size() < 3) refuseLine(number, line);
                std::optional<double> value = decimalOf(fields[2]);
                if (!value) refuseLine(number, line, tr("o valor não é um número decimal"));
                if (!numberAfter(fields[1], 'C') && !numberAfter(fields[1], 'S'))
                    refuseLine(number, line, tr("o nome não é C<n> nem S<n>, como as exportações escrevem"));
                if (*value != 0.0) claimed.values.emplace_back(fields[1], *value);
                break;
            }
            case TFormat::glpsol: {
                if (first == "s") {
                    // "s mip <rows> <columns> <status> <objective>"
                    if (fields.size() != 6) refuseLine(number, line);
                    std::optional<double> objective = decimalOf(fields[5]);
                    if (!objective) refuseLine(number, line, tr("o valor não é um número decimal"));
                    if (fields[4] != "n") claimed.objective = objective;
                } else if (first == "j") {
                    // "j <position> <value>"
                    if (fields.size() != 3) refuseLine(number, line);
                    std::optional<std::int64_t> position = numberAfter("#" + fields[1], '#');
                    std::optional<double> value = decimalOf(fields[2]);
                    if (!position || !value) refuseLine(number, line, tr("a posição ou o valor não é um número"));
                    if (*value != 0.0) claimed.values.emplace_back("#" + fields[1], *value);
                }
                break;
            }
            case TFormat::unknown: break;
        }
    }
    if (input.bad()) throw EConvertError(tr("não foi possível ler o arquivo de solução"));
    if (format == TFormat::unknown) throw EConvertError(tr("o arquivo de solução está vazio"));
    return claimed;
}

TClaimedSolution readClaimedSolution(const std::string& text) {
    std::istringstream input(text);
    return readClaimedSolution(input);
}

TSolutionCheck::TSolutionCheck(const TClaimedSolution& claimed, TModel model, std::optional<std::int64_t> uncoveredCost)
    : claimed_(claimed), model_(model), uncoveredCost_(uncoveredCost) {}

void TSolutionCheck::noteProblem(std::string problem) {
    verdict_.problems.push_back(std::move(problem));
}

void TSolutionCheck::begin(const TColumnRunInfo& run) {
    taskCount_ = run.taskCount;
    timesCovered_.assign(static_cast<std::size_t>(std::max(run.taskCount, 0)), 0);
    verdict_ = TSolutionVerdict();
    chosen_.clear();
    for (const auto& [name, value] : claimed_.values) {
        if (std::fabs(value - 1.0) > 1e-6) {
            noteProblem(textf(tr("a variável %s vale %s, não 0 nem 1"), name.c_str(), std::to_string(value).c_str()));
            continue;
        }
        bool positional = name[0] == '#';
        std::optional<std::int64_t> column = numberAfter(positional ? "C" + name.substr(1) : name, 'C');
        if (column && *column <= INT32_MAX) {
            chosen_.push_back(static_cast<std::int32_t>(*column));
        } else if (!numberAfter(name, 'S')) {
            noteProblem(textf(tr("o nome %s não é de coluna (C<n>) nem de folga (S<n>)"), name.c_str()));
        }
    }
    std::sort(chosen_.begin(), chosen_.end());
    for (std::size_t at = 1; at < chosen_.size(); ++at) {
        if (chosen_[at] == chosen_[at - 1])
            noteProblem(textf(tr("a coluna C%d aparece duas vezes"), chosen_[at]));
    }
    nextChosen_ = 0;
    columnCost_ = 0;
    range_ = TColumnRange();
}

void TSolutionCheck::add(const TPricedColumn& column) {
    range_.note(column.cost, column.tasks->size());
    // Columns come in number order, and so do the chosen ones.
    while (nextChosen_ < chosen_.size() && chosen_[nextChosen_] == column.number) {
        columnCost_ += column.cost;
        for (std::int32_t task : *column.tasks) ++timesCovered_[static_cast<std::size_t>(task)];
        ++nextChosen_;
    }
}

void TSolutionCheck::end(std::int32_t columnCount) {
    std::int64_t slackCost = uncoveredCost_ ? *uncoveredCost_ : range_.uncoveredCost(taskCount_);
    verdict_.uncoveredCost = slackCost;
    std::int64_t slacks = 0;
    auto takeSlack = [&](std::int64_t task, const std::string& name) {
        if (!rulesOf(model_).slackPerRow) {
            noteProblem(textf(tr("a folga %s só existe no modelo elastic"), name.c_str()));
        } else if (task > taskCount_) {
            noteProblem(textf(trn("a folga %s não existe: a instância tem %d tarefas",
                                  "a folga %s não existe: a instância tem %d tarefas",
                                  static_cast<unsigned long>(taskCount_)),
                              name.c_str(), taskCount_));
        } else {
            ++timesCovered_[static_cast<std::size_t>(task - 1)];
            ++slacks;
        }
    };
    for (const auto& [name, value] : claimed_.values) {
        if (std::fabs(value - 1.0) > 1e-6) continue;
        if (name[0] == '#') {
            // glpsol's positions past the columns are the slacks, in task order.
            std::int64_t position = std::stoll(name.substr(1));
            if (position > columnCount) takeSlack(position - columnCount, textf(tr("na posição %s"), name.substr(1).c_str()));
        } else if (std::optional<std::int64_t> task = numberAfter(name, 'S')) {
            takeSlack(*task, name);
        } else if (std::optional<std::int64_t> column = numberAfter(name, 'C'); column && *column > columnCount) {
            noteProblem(textf(trn("a coluna %s não existe: a instância tem %d colunas",
                                  "a coluna %s não existe: a instância tem %d colunas",
                                  static_cast<unsigned long>(columnCount)),
                              name.c_str(), columnCount));
        }
    }
    std::vector<std::int32_t> uncovered;
    std::vector<std::int32_t> coveredTwice;
    for (std::size_t task = 0; task < timesCovered_.size(); ++task) {
        if (timesCovered_[task] == 0) uncovered.push_back(static_cast<std::int32_t>(task));
        if (timesCovered_[task] > 1 && rulesOf(model_).rowIsEquality) coveredTwice.push_back(static_cast<std::int32_t>(task));
    }
    if (!uncovered.empty()) {
        noteProblem(textf(trn("nenhuma coluna cobre as tarefas %s", "nenhuma coluna cobre as tarefas %s", uncovered.size()),
                          tasksText(uncovered).c_str()));
    }
    if (!coveredTwice.empty()) {
        noteProblem(textf(trn("as tarefas %s são cobertas mais de uma vez", "as tarefas %s são cobertas mais de uma vez",
                              coveredTwice.size()),
                          tasksText(coveredTwice).c_str()));
    }
    verdict_.feasible = verdict_.problems.empty();
    verdict_.recomputed = columnCost_ + slacks * slackCost;
    if (!claimed_.objective) {
        noteProblem(tr("o arquivo não diz o custo da solução (=obj=)"));
    } else if (std::fabs(*claimed_.objective - static_cast<double>(verdict_.recomputed)) >= 0.5) {
        std::ostringstream claimedText;
        claimedText << *claimed_.objective;
        noteProblem(textf(tr("o custo do arquivo, %s, difere do custo recalculado, %lld"), claimedText.str().c_str(),
                          static_cast<long long>(verdict_.recomputed)));
    } else {
        verdict_.objectiveRight = true;
    }
}

}  // namespace gerador
