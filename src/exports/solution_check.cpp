#include "exports/solution_check.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "common/exceptions.h"

namespace gerador {

namespace {

constexpr std::size_t kTasksNamed = 8;  // in one message; the rest are counted

[[noreturn]] void refuseLine(std::size_t line, const std::string& text) {
    throw EConvertError("a linha " + std::to_string(line) + " do arquivo de solução não se lê: '" +
                        text.substr(0, 80) + "'");
}

// "n" of a name "<prefix><n>" with n >= 1; none otherwise.
std::optional<std::int64_t> numberAfter(const std::string& name, char prefix) {
    if (name.size() < 2 || name[0] != prefix || name.size() > 12) return std::nullopt;
    std::int64_t number = 0;
    for (std::size_t at = 1; at < name.size(); ++at) {
        if (name[at] < '0' || name[at] > '9') return std::nullopt;
        number = number * 10 + (name[at] - '0');
    }
    return number >= 1 ? std::optional(number) : std::nullopt;
}

std::string tasksText(const std::vector<std::int32_t>& tasks) {
    std::string text;
    for (std::size_t shown = 0; shown < tasks.size() && shown < kTasksNamed; ++shown) {
        if (shown > 0) text += ", ";
        text += std::to_string(tasks[shown] + 1);
    }
    if (tasks.size() > kTasksNamed) text += " e mais " + std::to_string(tasks.size() - kTasksNamed);
    return text;
}

}  // namespace

TClaimedSolution readClaimedSolution(const std::string& text) {
    TClaimedSolution claimed;
    std::istringstream lines(text);
    std::string line;
    enum class TFormat { unknown, miplib, cbc, glpsol } format = TFormat::unknown;
    for (std::size_t number = 1; std::getline(lines, line); ++number) {
        std::istringstream fields(line);
        std::string first;
        if (!(fields >> first)) continue;
        if (format == TFormat::unknown) {
            if (first == "=obj=") {
                format = TFormat::miplib;
            } else if (line.find(" - objective value ") != std::string::npos) {
                format = TFormat::cbc;
                claimed.objective = std::stod(line.substr(line.rfind(' ') + 1));
                continue;
            } else if (first == "c" || first == "s") {
                format = TFormat::glpsol;
            } else {
                refuseLine(number, line);
            }
        }
        switch (format) {
            case TFormat::miplib: {
                std::string value;
                if (!(fields >> value)) refuseLine(number, line);
                try {
                    if (first == "=obj=") {
                        claimed.objective = std::stod(value);
                    } else if (std::stod(value) != 0.0) {
                        claimed.values.emplace_back(first, std::stod(value));
                    }
                } catch (const std::logic_error&) {
                    refuseLine(number, line);
                }
                break;
            }
            case TFormat::cbc: {
                std::string name;
                double value = 0;
                if (!(fields >> name >> value)) refuseLine(number, line);
                if (value != 0.0) claimed.values.emplace_back(name, value);
                break;
            }
            case TFormat::glpsol: {
                if (first == "s") {
                    std::string kind, rows, columns, status;
                    double objective = 0;
                    if (!(fields >> kind >> rows >> columns >> status >> objective)) refuseLine(number, line);
                    if (status != "n") claimed.objective = objective;
                } else if (first == "j") {
                    std::int64_t position = 0;
                    double value = 0;
                    if (!(fields >> position >> value)) refuseLine(number, line);
                    if (value != 0.0) claimed.values.emplace_back("#" + std::to_string(position), value);
                }
                break;
            }
            case TFormat::unknown: break;
        }
    }
    if (format == TFormat::unknown) throw EConvertError("o arquivo de solução está vazio");
    return claimed;
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
            noteProblem("a variável " + name + " vale " + std::to_string(value) + ", não 0 nem 1");
            continue;
        }
        bool positional = name[0] == '#';
        std::optional<std::int64_t> column = numberAfter(positional ? "C" + name.substr(1) : name, 'C');
        if (column && *column <= INT32_MAX) {
            chosen_.push_back(static_cast<std::int32_t>(*column));
        } else if (!numberAfter(name, 'S')) {
            noteProblem("o nome " + name + " não é de coluna (C<n>) nem de folga (S<n>)");
        }
    }
    std::sort(chosen_.begin(), chosen_.end());
    for (std::size_t at = 1; at < chosen_.size(); ++at) {
        if (chosen_[at] == chosen_[at - 1])
            noteProblem("a coluna C" + std::to_string(chosen_[at]) + " aparece duas vezes");
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
            noteProblem("a folga " + name + " só existe no modelo elastic");
        } else if (task > taskCount_) {
            noteProblem("a folga " + name + " não existe: a instância tem " + std::to_string(taskCount_) + " tarefas");
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
            if (position > columnCount) takeSlack(position - columnCount, "na posição " + name.substr(1));
        } else if (std::optional<std::int64_t> task = numberAfter(name, 'S')) {
            takeSlack(*task, name);
        } else if (std::optional<std::int64_t> column = numberAfter(name, 'C'); column && *column > columnCount) {
            noteProblem("a coluna " + name + " não existe: a instância tem " + std::to_string(columnCount) +
                        " colunas");
        }
    }
    std::vector<std::int32_t> uncovered;
    std::vector<std::int32_t> coveredTwice;
    for (std::size_t task = 0; task < timesCovered_.size(); ++task) {
        if (timesCovered_[task] == 0) uncovered.push_back(static_cast<std::int32_t>(task));
        if (timesCovered_[task] > 1 && rulesOf(model_).rowIsEquality) coveredTwice.push_back(static_cast<std::int32_t>(task));
    }
    if (!uncovered.empty()) noteProblem("nenhuma coluna cobre as tarefas " + tasksText(uncovered));
    if (!coveredTwice.empty()) noteProblem("as tarefas " + tasksText(coveredTwice) + " são cobertas mais de uma vez");
    verdict_.feasible = verdict_.problems.empty();
    verdict_.recomputed = columnCost_ + slacks * slackCost;
    if (!claimed_.objective) {
        noteProblem("o arquivo não diz o custo da solução (=obj=)");
    } else if (std::fabs(*claimed_.objective - static_cast<double>(verdict_.recomputed)) >= 0.5) {
        std::ostringstream claimedText;
        claimedText << *claimed_.objective;
        noteProblem("o custo do arquivo, " + claimedText.str() + ", difere do custo recalculado, " +
                    std::to_string(verdict_.recomputed));
    } else {
        verdict_.objectiveRight = true;
    }
}

}  // namespace gerador
