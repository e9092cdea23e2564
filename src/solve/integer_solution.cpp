#include "solve/integer_solution.h"

#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <new>
#include <optional>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include <coin/CbcModel.hpp>
#include <coin/CbcSolver.hpp>
#include <coin/OsiClpSolverInterface.hpp>

#include "common/messages.h"
#include "common/output_file.h"
#include "common/point_numbers.h"

namespace gerador {

namespace {

// Cbc's driver asks where it stands; nothing here needs to know.
int ignoreProgress(CbcModel*, int) {
    return 0;
}

// Swallows every message of the solvers: the console belongs to the run. Log levels
// alone do not hold, since Cbc's driver and its solution check reset them.
class TSilentMessages : public CoinMessageHandler {
public:
    int print() override { return 0; }
    CoinMessageHandler* clone() const override { return new TSilentMessages(*this); }
};

// The quick search goes without the feasibility pump and the cuts, and stops after a few
// nodes: on most masters of a converged column generation that proves the optimum in a
// fraction of the full search's time, which spends seconds at the root on both.
constexpr int kQuickNodes = 50;

enum class TSearchKind { quick, full };

// Past this many columns the two searches go one after the other, so that the integer step
// holds one Cbc model at a time: the proof over --count 200's 404,000 columns took 1.1 GB
// a search.
constexpr std::size_t kMostColumnsBeside = 100000;

TIntegerOutcome solveHere(const std::vector<TKeptColumn>& columns, std::int32_t taskCount, TModel model,
                          double slackCost, double seconds, const TIntegerStart& start, TSearchKind kind) {
    TIntegerOutcome outcome;
    if (seconds <= 0) return outcome;
    // Cbc's driver reads its time limit, and its own parameters, with strtod.
    TPointNumbers pointNumbers;
    // The columns, then in the elastic model a slack per task; no artificials.
    const TModelRules& rules = rulesOf(model);
    bool elastic = rules.slackPerRow;
    std::size_t slacks = elastic ? static_cast<std::size_t>(taskCount) : 0;
    TColumnArrays arrays;
    for (const TKeptColumn& column : columns) arrays.add(column, static_cast<double>(column.cost));
    for (std::size_t task = 0; task < slacks; ++task) {
        arrays.add({0, 0, {static_cast<std::int32_t>(task)}, 0}, slackCost);
    }
    std::vector<double>& costs = arrays.costs;
    std::size_t columnCount = columns.size() + slacks;
    std::vector<double> ones(arrays.rows.size(), 1.0);
    std::vector<double> lower(columnCount, 0.0);
    std::vector<double> upper(columnCount, 1.0);
    auto taskRows = static_cast<std::size_t>(taskCount);
    std::vector<double> rowLower(taskRows, 1.0);
    std::vector<double> rowUpper(taskRows, rules.rowIsEquality ? 1.0 : COIN_DBL_MAX);

    TSilentMessages silent;
    OsiClpSolverInterface solver;
    solver.passInMessageHandler(&silent);
    solver.messageHandler()->setLogLevel(0);
    solver.loadProblem(static_cast<int>(columnCount), taskCount, arrays.starts.data(), arrays.rows.data(), ones.data(),
                       lower.data(), upper.data(), costs.data(), rowLower.data(), rowUpper.data());
    for (std::size_t column = 0; column < columnCount; ++column) solver.setInteger(static_cast<int>(column));

    CbcModel search(solver);
    CbcSolverUsefulData driver;
    CbcMain0(search, driver);
    driver.noPrinting_ = true;
    search.passInMessageHandler(&silent);
    search.messageHandler()->setLogLevel(0);
    search.solver()->passInMessageHandler(&silent);
    if (!start.columns.empty()) {
        // A known solution (planted, or found before) gives the search an incumbent from
        // the start; in the elastic model with the slacks it pays.
        std::vector<double> values(columnCount, 0.0);
        double startCost = 0;
        std::size_t found = 0;
        for (std::size_t column = 0; column < columns.size(); ++column) {
            for (std::int32_t number : start.columns) {
                if (columns[column].number != number) continue;
                values[column] = 1.0;
                startCost += costs[column];
                ++found;
            }
        }
        for (std::int32_t task : start.slackTasks) {
            if (task < 0 || static_cast<std::size_t>(task) >= slacks) continue;
            values[columns.size() + static_cast<std::size_t>(task)] = 1.0;
            startCost += slackCost;
        }
        if (found == start.columns.size())
            search.setBestSolution(values.data(), static_cast<int>(columnCount), startCost, true);
    }
    std::string limit = std::to_string(std::max(seconds, 0.0));
    // Cbc's preprocessing, cut short by the time limit while it holds a start solution,
    // crashes in its post-processing (Cbc 2.10): with a start the search goes without it.
    // The limit is of wall-clock time, as --solve-seconds is: in CPU time a loaded machine ran
    // the search three times past it.
    std::vector<const char*> arguments = {"gerador", "-log", "0", "-slog", "0", "-timeMode", "elapsed", "-sec", limit.c_str()};
    if (!start.columns.empty()) arguments.insert(arguments.end(), {"-preprocess", "off"});
    std::string quickNodes = std::to_string(kQuickNodes);
    if (kind == TSearchKind::quick)
        arguments.insert(arguments.end(), {"-feas", "off", "-cuts", "off", "-maxNodes", quickNodes.c_str()});
    arguments.insert(arguments.end(), {"-solve", "-quit"});
    CbcMain1(static_cast<int>(arguments.size()), arguments.data(), search, ignoreProgress, driver);

    outcome.nodes = search.getNodeCount();
    // A search stopped by a limit proves nothing, whatever its status says.
    bool complete = !search.isSecondsLimitReached() && !search.isNodeLimitReached() && search.status() == 0;
    const double* best = search.bestSolution();
    if (best == nullptr) {
        outcome.proven = complete && search.isProvenInfeasible();
        return outcome;
    }
    outcome.found = true;
    outcome.proven = complete && search.isProvenOptimal();
    std::int64_t objective = 0;
    for (std::size_t column = 0; column < columns.size(); ++column) {
        if (best[column] < 0.5) continue;
        outcome.columns.push_back(columns[column].number);
        objective += columns[column].cost;
    }
    for (std::size_t task = 0; task < slacks; ++task) {
        if (best[columns.size() + task] < 0.5) continue;
        outcome.slackTasks.push_back(static_cast<std::int32_t>(task));
        objective += static_cast<std::int64_t>(std::llround(slackCost));
    }
    outcome.objective = objective;
    return outcome;
}

// The outcome crosses from the search's process as its fields, then each list as its
// length and its numbers.
bool writeAll(int descriptor, const void* data, std::size_t bytes) {
    const char* at = static_cast<const char*>(data);
    while (bytes > 0) {
        ssize_t written = write(descriptor, at, bytes);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        at += written;
        bytes -= static_cast<std::size_t>(written);
    }
    return true;
}

bool readAll(int descriptor, void* data, std::size_t bytes) {
    char* at = static_cast<char*>(data);
    while (bytes > 0) {
        ssize_t read = ::read(descriptor, at, bytes);
        if (read < 0 && errno == EINTR) continue;
        if (read <= 0) return false;
        at += read;
        bytes -= static_cast<std::size_t>(read);
    }
    return true;
}

bool sendOutcome(int descriptor, const TIntegerOutcome& outcome) {
    std::int64_t fields[] = {outcome.found, outcome.proven, outcome.objective, outcome.nodes,
                             static_cast<std::int64_t>(outcome.columns.size()),
                             static_cast<std::int64_t>(outcome.slackTasks.size())};
    return writeAll(descriptor, fields, sizeof fields) &&
           writeAll(descriptor, outcome.columns.data(), outcome.columns.size() * sizeof(std::int32_t)) &&
           writeAll(descriptor, outcome.slackTasks.data(), outcome.slackTasks.size() * sizeof(std::int32_t));
}

std::optional<TIntegerOutcome> receiveOutcome(int descriptor) {
    std::int64_t fields[6];
    if (!readAll(descriptor, fields, sizeof fields) || fields[4] < 0 || fields[5] < 0) return std::nullopt;
    TIntegerOutcome outcome;
    outcome.found = fields[0] != 0;
    outcome.proven = fields[1] != 0;
    outcome.objective = fields[2];
    outcome.nodes = fields[3];
    outcome.columns.resize(static_cast<std::size_t>(fields[4]));
    outcome.slackTasks.resize(static_cast<std::size_t>(fields[5]));
    if (!readAll(descriptor, outcome.columns.data(), outcome.columns.size() * sizeof(std::int32_t)) ||
        !readAll(descriptor, outcome.slackTasks.data(), outcome.slackTasks.size() * sizeof(std::int32_t))) {
        return std::nullopt;
    }
    return outcome;
}

// Exit statuses of the search's process.
constexpr int kSent = 0;
constexpr int kOutOfMemory = 3;
constexpr int kFailed = 4;

// How often a wait for the search looks whether the caller interrupted it.
constexpr int kInterruptPollMilliseconds = 50;

// Signals a person or a service manager sends to stop a run (Ctrl-C reaches the search's
// process too), rather than the crash of a search that lacked memory.
bool isStopSignal(int signalNumber) {
    return signalNumber == SIGINT || signalNumber == SIGTERM || signalNumber == SIGHUP;
}

// Parts of Cbc and its cut generators allocate without checking, so a memory limit
// (ulimit -v, a container's) ends the process with SIGSEGV inside them. A search runs
// in a process of its own, so that such a failure ends the search with a message, never
// the run, and the caller's files are removed as after any other failure. Dropped before
// its outcome is read, the process is stopped.
class TSearchProcess {
public:
    TSearchProcess(const std::vector<TKeptColumn>& columns, std::int32_t taskCount, TModel model, double slackCost,
                   double seconds, const TIntegerStart& start, TSearchKind kind, TFaultHook faultHook,
                   const std::atomic<bool>* interrupted)
        : interrupted_(interrupted) {
        int ends[2];
        if (pipe2(ends, O_CLOEXEC) != 0) {
            here_ = solveHere(columns, taskCount, model, slackCost, seconds, start, kind);
            return;
        }
        pid_t parent = getpid();
        child_ = fork();
        if (child_ < 0) {
            // No room for a second process: the search goes in this one.
            close(ends[0]);
            close(ends[1]);
            here_ = solveHere(columns, taskCount, model, slackCost, seconds, start, kind);
            return;
        }
        if (child_ == 0) {
            close(ends[0]);
            // The caller's signal handlers remove the caller's files; here a signal only ends the search.
            for (int signalNumber : signalsThatEndTheProcess()) {
                struct sigaction current {};
                if (sigaction(signalNumber, nullptr, &current) == 0 && current.sa_handler != SIG_IGN)
                    std::signal(signalNumber, SIG_DFL);
            }
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            // A parent that died before the line above sends no signal: nobody waits for this search.
            if (getppid() != parent) _exit(kFailed);
            if (faultHook != nullptr) faultHook("integer");
            int status = kSent;
            try {
                TIntegerOutcome outcome = solveHere(columns, taskCount, model, slackCost, seconds, start, kind);
                if (!sendOutcome(ends[1], outcome)) status = kFailed;
            } catch (const std::bad_alloc&) {
                status = kOutOfMemory;
            } catch (...) {
                status = kFailed;
            }
            _exit(status);
        }
        close(ends[1]);
        from_ = ends[0];
    }
    TSearchProcess(const TSearchProcess&) = delete;
    TSearchProcess& operator=(const TSearchProcess&) = delete;
    ~TSearchProcess() {
        if (child_ <= 0) return;
        kill(child_, SIGKILL);
        reap();
    }

    // Waits for the search to end. Throws std::bad_alloc, ESolverFailed, EInterrupted.
    TIntegerOutcome outcome() {
        if (child_ <= 0) return std::move(*here_);
        waitForOutput();
        std::optional<TIntegerOutcome> outcome = receiveOutcome(from_);
        int status = reap();
        if (outcome && WIFEXITED(status) && WEXITSTATUS(status) == kSent) return std::move(*outcome);
        if (WIFEXITED(status) && WEXITSTATUS(status) == kOutOfMemory) throw std::bad_alloc();
        if (WIFSIGNALED(status) && isStopSignal(WTERMSIG(status))) throw EInterrupted();
        if (WIFSIGNALED(status)) {
            throw ESolverFailed(textf(tr("a busca inteira do Cbc terminou com o sinal SIG%s sem dar resultado; a "
                                         "memória pode ter acabado (veja ulimit -v)"),
                                      sigabbrev_np(WTERMSIG(status))));
        }
        throw ESolverFailed(textf(tr("a busca inteira do Cbc terminou com o status %d sem dar resultado; a memória "
                                     "pode ter acabado (veja ulimit -v)"),
                                  WEXITSTATUS(status)));
    }

private:
    // Until the search writes or ends; an interruption meanwhile throws EInterrupted, and the
    // destructor stops the search.
    void waitForOutput() const {
        if (interrupted_ == nullptr) return;
        while (true) {
            pollfd output{from_, POLLIN, 0};
            int ready = poll(&output, 1, kInterruptPollMilliseconds);
            throwIfInterrupted(interrupted_);
            if (ready > 0 || (ready < 0 && errno != EINTR)) return;
        }
    }

    int reap() {
        close(from_);
        int status = 0;
        while (waitpid(child_, &status, 0) < 0 && errno == EINTR) {
        }
        child_ = 0;
        return status;
    }

    pid_t child_ = 0;
    int from_ = -1;
    std::optional<TIntegerOutcome> here_;
    const std::atomic<bool>* interrupted_;  // not owned
};

}  // namespace

// A quick search runs first, or beside the full one when there is a core for it. What it
// proves stands and the full search is stopped; otherwise the full search's outcome
// stands, or the quick one's incumbent when it is better. Either way the outcome is the
// same with one core or many, as long as no time limit cuts a search short.
TIntegerOutcome solveInteger(const std::vector<TKeptColumn>& columns, std::int32_t taskCount, TModel model,
                             double slackCost, double seconds, const TIntegerStart& start, bool beside,
                             TFaultHook faultHook, const std::atomic<bool>* interrupted) {
    if (seconds <= 0) return {};
    beside = beside && columns.size() <= kMostColumnsBeside;
    auto started = std::chrono::steady_clock::now();
    auto searchProcess = [&](TSearchKind kind, double limit) {
        return std::make_unique<TSearchProcess>(columns, taskCount, model, slackCost, limit, start, kind, faultHook,
                                                interrupted);
    };
    std::unique_ptr<TSearchProcess> quick = searchProcess(TSearchKind::quick, seconds);
    std::unique_ptr<TSearchProcess> full;
    if (beside) full = searchProcess(TSearchKind::full, seconds);
    std::optional<TIntegerOutcome> quickOutcome;
    try {
        quickOutcome = quick->outcome();
    } catch (const std::bad_alloc&) {
        // The full search reports it, if it meets the same.
    } catch (const ESolverFailed&) {
    }
    if (quickOutcome && quickOutcome->proven) return *quickOutcome;
    if (full == nullptr) {
        double left = seconds - std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        if (left <= 0) return quickOutcome.value_or(TIntegerOutcome{});
        full = searchProcess(TSearchKind::full, left);
    }
    TIntegerOutcome outcome = full->outcome();
    if (!quickOutcome) return outcome;
    outcome.nodes += quickOutcome->nodes;
    if (quickOutcome->found && (!outcome.found || quickOutcome->objective < outcome.objective)) {
        outcome.found = true;
        outcome.proven = false;
        outcome.objective = quickOutcome->objective;
        outcome.columns = std::move(quickOutcome->columns);
        outcome.slackTasks = std::move(quickOutcome->slackTasks);
    }
    return outcome;
}

}  // namespace gerador
