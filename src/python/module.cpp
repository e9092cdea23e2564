// The Python module: thin glue over the library's front door (api/gerador.h). Settings are
// keyword arguments read by the command line's own table and rules; arrays are numpy views
// of the library's buffers, handed over without a copy per element.
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>
#include <chrono>
#include <cstdlib>
#include <stdexcept>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <future>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <sys/mman.h>
#include <sys/stat.h>

#include <nlohmann/json.hpp>
#include <pybind11/eval.h>
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include "api/gerador.h"
#include "columns/columns.h"
#include "columns/planted_columns.h"
#include "report/run_result.h"
#include "common/exceptions.h"
#include "common/messages.h"
#include "driver/setting_table.h"
#include "tasks/task_table.h"
#include "tasks/tasks.h"
#include "trips/trip_table.h"
#include "trips/trips.h"

namespace py = pybind11;
using namespace gerador;

namespace {

// Memory for the large arrays of a matrix, on huge pages where the kernel grants them: a
// standard instance's 100 MB of arrays take 25,000 page faults on small pages, which cost
// more than enumerating its columns on a virtual machine.
template <typename TValue>
struct THugePageAllocator {
    using value_type = TValue;
    static constexpr std::size_t kHugePage = std::size_t{2} << 20;
    THugePageAllocator() = default;
    template <typename TOther>
    THugePageAllocator(const THugePageAllocator<TOther>&) {}
    TValue* allocate(std::size_t count) {
        std::size_t bytes = count * sizeof(TValue);
        if (bytes < kHugePage) return std::allocator<TValue>().allocate(count);
        bytes = (bytes + kHugePage - 1) / kHugePage * kHugePage;
        void* memory = std::aligned_alloc(kHugePage, bytes);
        if (memory == nullptr) throw std::bad_alloc();
        madvise(memory, bytes, MADV_HUGEPAGE);
        return static_cast<TValue*>(memory);
    }
    void deallocate(TValue* values, std::size_t count) {
        if (count * sizeof(TValue) < kHugePage) return std::allocator<TValue>().deallocate(values, count);
        std::free(values);
    }
    template <typename TOther>
    bool operator==(const THugePageAllocator<TOther>&) const { return true; }
};
template <typename TValue>
using THugeVector = std::vector<TValue, THugePageAllocator<TValue>>;

// A vector handed to numpy: the array owns it through a capsule, so nothing is copied.
template <typename TValue, typename TAllocator>
py::array_t<TValue> arrayOf(std::vector<TValue, TAllocator>&& values) {
    using TOwned = std::vector<TValue, TAllocator>;
    auto* owned = new TOwned(std::move(values));
    py::capsule owner(owned, [](void* pointer) { delete static_cast<TOwned*>(pointer); });
    return py::array_t<TValue>({owned->size()}, {sizeof(TValue)}, owned->data(), owner);
}

const TSettingRow* rowNamed(const std::string& name) {
    for (const TSettingRow& row : settingRows()) {
        if (name == row.name) return &row;
    }
    return nullptr;
}

// A keyword's value as the command line would spell it.
std::string wordOf(const TSettingRow& row, const py::handle& value) {
    if (row.valueName == nullptr) {
        if (!py::isinstance<py::bool_>(value)) throw py::value_error(textf(tr("--%s: deve ser True ou False"), row.name));
        return value.cast<bool>() ? "sim" : "não";
    }
    py::module_ datetime = py::module_::import("datetime");
    if (py::isinstance(value, datetime.attr("datetime"))) return value.attr("strftime")("%d/%m/%Y %H:%M").cast<std::string>();
    if (py::isinstance(value, datetime.attr("timedelta"))) {
        auto minutes = static_cast<long long>(std::llround(value.attr("total_seconds")().cast<double>() / 60));
        char text[32];
        std::snprintf(text, sizeof text, "%02lld:%02lld", minutes / 60, minutes % 60);
        return text;
    }
    if (py::isinstance<py::bool_>(value)) throw py::value_error(textf(tr("--%s: não é um valor sim/não"), row.name));
    return py::str(value).cast<std::string>();
}

// Reads word into settings with the row's reader. Throws ValueError with the command line's message.
void readSetting(const TSettingRow& row, TSettings& settings, const std::string& word) {
    try {
        row.read(settings, word);
    } catch (const EBadValue& error) {
        throw py::value_error("--" + std::string(row.name) + " " + word + ": " + error.what());
    }
}

// Reads keyword arguments named after the options ("max_tasks" for --max-tasks) into
// settings with the options' own readers, then checks the rules between settings; only
// options that accepts takes. Throws ValueError with the command line's message.
void readKeywords(const py::kwargs& keywords, TSettings& settings, bool (*accepts)(const TSettingRow&),
                  const char* refusal) {
    for (const auto& [key, value] : keywords) {
        std::string name = key.cast<std::string>();
        for (char& letter : name) letter = letter == '_' ? '-' : letter;
        const TSettingRow* row = rowNamed(name);
        if (row == nullptr || row->read == nullptr || !accepts(*row)) throw py::value_error(textf(tr(refusal), name.c_str()));
        readSetting(*row, settings, wordOf(*row, value));
    }
    if (std::optional<std::string> problem = settingsProblem(settings)) throw py::value_error(*problem);
}

// Makes folder and its missing parents, as -C does; returns those it made, outermost
// first. Throws ValueError for a folder -C refuses, and OSError naming the folder and why
// it cannot be made.
std::vector<std::string> makeFolders(const std::string& folder) {
    TSettings checked;
    readSetting(*rowNamed("directory"), checked, folder);
    std::vector<std::string> made;
    int refusal = 0;  // why the last folder that was missing could not be made
    for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        std::string part = folder.substr(0, slash);
        if (!part.empty()) {
            if (mkdir(part.c_str(), 0777) == 0) {
                made.push_back(part);
            } else if (errno != EEXIST) {
                refusal = errno;
            }
        }
        if (slash == std::string::npos) break;
    }
    struct stat status {};
    int error = stat(folder.c_str(), &status) != 0 ? (refusal != 0 ? refusal : errno)
                : !S_ISDIR(status.st_mode)         ? ENOTDIR
                                                   : 0;
    if (error == 0) return made;
    errno = error;
    PyErr_SetFromErrnoWithFilename(PyExc_OSError, folder.c_str());
    throw py::error_already_set();
}

// Removes the folders a failed write made, innermost first, when they are still empty.
void removeEmptyFolders(const std::vector<std::string>& made) {
    for (auto folder = made.rbegin(); folder != made.rend(); ++folder) rmdir(folder->c_str());
}

TSettings settingsOf(const py::kwargs& keywords) {
    TSettings settings;
    // The keyword's language speaks from its own errors on, as --language does.
    py::object language = py::none();
    if (keywords.contains("language")) language = keywords["language"];
    std::optional<TLanguage> named =
        py::isinstance<py::str>(language) ? languageNamed(language.cast<std::string>()) : std::nullopt;
    chooseLanguage(named.value_or(TLanguage::environment));
    readKeywords(keywords, settings, [](const TSettingRow&) { return true; }, N_("--%s: opção desconhecida"));
    return settings;
}

// The settings as keyword arguments that give them again.
py::dict keywordsOf(const TSettings& settings) {
    py::dict keywords;
    for (const TSettingRow& row : settingRows()) {
        if (row.read == nullptr || row.json == nullptr || row.outputFile != nullptr || !row.reported) continue;
        std::string key = row.name;
        for (char& letter : key) letter = letter == '-' ? '_' : letter;
        nlohmann::ordered_json value = row.json(settings);
        if (value.is_null()) continue;
        if (value.is_boolean()) {
            keywords[key.c_str()] = value.get<bool>();
        } else if (value.is_number_integer()) {
            keywords[key.c_str()] = value.get<long long>();
        } else if (value.is_number()) {
            keywords[key.c_str()] = value.get<double>();
        } else {
            std::string shown = row.shown(settings);
            if (shown.size() >= 2 && shown.front() == '"' && shown.back() == '"') shown = shown.substr(1, shown.size() - 2);
            keywords[key.c_str()] = shown;
        }
    }
    return keywords;
}

// The columns of a run as the arrays of a sparse matrix by columns.
struct TColumnArraysSink : TColumnSink {
    THugeVector<std::int64_t> starts{0};
    THugeVector<std::int32_t> rows;
    THugeVector<std::int32_t> cost;
    THugeVector<std::int32_t> depot;
    THugeVector<std::int32_t> minutes;
    THugeVector<std::int32_t> length;
    // Sized once from the chain counts, so that the columns are copied only into numpy.
    void reserve(const TInstanceGraph& graph, std::int32_t acceptPercent) {
        // The second phase usually adds a tenth; a guess too small costs one more copy.
        double share = std::min(acceptPercent + 1, 100) / 100.0 * 1.15;
        auto columns = static_cast<std::size_t>(static_cast<double>(graph.chains.totalOffers) * share) + 16;
        starts.reserve(columns + 1);
        cost.reserve(columns);
        depot.reserve(columns);
        minutes.reserve(columns);
        length.reserve(columns);
        rows.reserve(static_cast<std::size_t>(static_cast<double>(graph.chains.totalTasks) * share) + 64);
    }
    void begin(const TColumnRunInfo&) override {}
    void add(const TPricedColumn& column) override {
        rows.insert(rows.end(), column.tasks->begin(), column.tasks->end());
        starts.push_back(static_cast<std::int64_t>(rows.size()));
        cost.push_back(column.cost);
        depot.push_back(column.depot);
        minutes.push_back(column.workMinutes);
        length.push_back(static_cast<std::int32_t>(column.tasks->size()));
    }
    void end(std::int32_t) override {}
};

// How often a call whose work runs without the GIL runs Python's signal handlers.
constexpr std::chrono::milliseconds kSignalPoll{50};

// What a signal that a handler turned into an exception means for a call whose work ended.
enum class TLateSignal {
    raised,  // the call raises it: the result is dropped, and nothing outlives the call
    // the work committed files, so the call succeeded: a KeyboardInterrupt becomes a
    // warning, as the program's note after its files; other exceptions are raised
    warnedAfterFiles,
};

// Runs work on a thread of its own, without the GIL, while the calling thread waits and,
// every kSignalPoll, runs Python's signal handlers: Python runs them only on the main
// thread and only with the GIL, so a Ctrl-C would otherwise wait for the work to end. A
// handler that raises (Ctrl-C's KeyboardInterrupt) sets interrupted, which the library
// reads between columns, and its exception is raised once the work has stopped. Throws
// what work throws but EInterrupted, which raises the handler's exception (or
// KeyboardInterrupt). work must not touch Python; it hands its results back by reference.
template <typename TWork>
void withSignals(std::atomic<bool>& interrupted, TLateSignal lateSignal, TWork work) {
    interrupted.store(false);
    std::future<void> running = std::async(std::launch::async, std::move(work));
    std::optional<py::error_already_set> raised;
    auto checkSignals = [&] {
        if (!raised && PyErr_CheckSignals() != 0) {
            raised.emplace();
            interrupted.store(true);
        }
    };
    while (true) {
        {
            py::gil_scoped_release unlocked;
            if (running.wait_for(kSignalPoll) == std::future_status::ready) break;
        }
        checkSignals();
    }
    bool completed = false;
    try {
        running.get();
        completed = true;
    } catch (const EInterrupted&) {
        // The work met the signal first: Ctrl-C also ends the integer search's process.
        checkSignals();
        if (!raised) {
            PyErr_SetNone(PyExc_KeyboardInterrupt);
            raised.emplace();
        }
    } catch (...) {
        if (!raised) throw;
    }
    if (lateSignal == TLateSignal::warnedAfterFiles && completed) {
        // A signal of the last moments too: the call must not seem to have failed.
        checkSignals();
        if (raised && raised->matches(PyExc_KeyboardInterrupt)) {
            raised.reset();
            std::string note = textf(
                tr("o sinal SIG%s chegou depois de os arquivos estarem completos; eles foram mantidos."), "INT");
            if (PyErr_WarnEx(PyExc_RuntimeWarning, note.c_str(), 1) != 0) throw py::error_already_set();
        }
    }
    if (raised) {
        raised->restore();
        throw py::error_already_set();
    }
}

const char* statusName(TSolveStatus status) {
    switch (status) {
        case TSolveStatus::optimal: return "optimal";
        case TSolveStatus::feasible: return "best";
        case TSolveStatus::infeasible: return "infeasible";
        case TSolveStatus::unknown: break;
    }
    return "unknown";
}

// Held by pointer only: its environment points at its own console.
class TPyInstance {
public:
    TPyInstance(const TPyInstance&) = delete;
    TPyInstance& operator=(const TPyInstance&) = delete;
    explicit TPyInstance(const TSettings& settings) : settings_(settings) {
        environment_.console = &console_;
        environment_.interrupted = &interrupted_;
        TColumnArraysSink arrays;
        withSignals(interrupted_, TLateSignal::raised, [this, &arrays] {
            instance_ = std::make_unique<TInstance>(settings_, environment_);
            if (!instance_->graph().chains.saturated) arrays.reserve(instance_->graph(), settings_.acceptPercent);
            std::unique_ptr<TPlantedColumns> planted;
            std::vector<TColumnSink*> outputs{&arrays};
            if (settings_.plant) {
                planted = std::make_unique<TPlantedColumns>(instance_->tasks().plantedDuties);
                outputs.push_back(planted.get());
            }
            instance_->runColumns(outputs);
            if (planted) {
                plantedColumns_ = planted->columnNumbers();
                plantedCost_ = planted->totalCost();
            }
        });
        columnCount_ = static_cast<std::int64_t>(arrays.cost.size());
        cost_ = arrayOf(std::move(arrays.cost));
        depot_ = arrayOf(std::move(arrays.depot));
        minutes_ = arrayOf(std::move(arrays.minutes));
        length_ = arrayOf(std::move(arrays.length));
        THugeVector<std::int8_t> ones(arrays.rows.size(), 1);
        py::object csc = py::module_::import("scipy.sparse").attr("csc_matrix");
        // scipy keeps 32-bit starts when they fit; handing it those saves it a pass.
        py::object starts;
        if (arrays.rows.size() <= static_cast<std::size_t>(INT32_MAX)) {
            starts = arrayOf(THugeVector<std::int32_t>(arrays.starts.begin(), arrays.starts.end()));
        } else {
            starts = arrayOf(std::move(arrays.starts));
        }
        matrix_ = csc(py::make_tuple(arrayOf(std::move(ones)), arrayOf(std::move(arrays.rows)), starts),
                      py::arg("shape") = py::make_tuple(instance_->tasks().count, columnCount_));
    }

    py::object matrix() const { return matrix_; }
    py::object cost() const { return cost_; }
    py::object depot() const { return depot_; }
    py::object minutes() const { return minutes_; }
    py::object length() const { return length_; }
    py::dict settings() const { return keywordsOf(settings_); }

    py::object planted() const {
        if (!settings_.plant) return py::none();
        std::vector<std::int64_t> indices;
        for (std::int32_t number : plantedColumns_) indices.push_back(number - 1);
        std::sort(indices.begin(), indices.end());
        return arrayOf(std::move(indices));
    }

    py::dict tasks() const {
        std::vector<TTaskRow> table = taskTable(instance_->tasks());
        std::vector<std::int32_t> number, origin, destination, cost;
        std::vector<std::int64_t> start, end, duration;
        std::vector<bool> startTask;
        const std::vector<TTarefa>& tasks = instance_->tasks().tasks;
        for (std::size_t index = 0; index < table.size(); ++index) {
            const TTaskRow& row = table[index];
            number.push_back(row.number);
            origin.push_back(row.origin);
            destination.push_back(row.destination);
            cost.push_back(row.cost);
            duration.push_back(row.durationMinutes);
            // Minutes since 1970-01-01, as datetime64[m] counts them: day 25569 of the date scale.
            start.push_back(std::llround((static_cast<double>(tasks[index].start) - 25569.0) * 1440.0));
            end.push_back(std::llround((static_cast<double>(tasks[index].end) - 25569.0) * 1440.0));
            startTask.push_back(row.startTask);
        }
        py::dict columns;
        columns["number"] = arrayOf(std::move(number));
        columns["origin"] = arrayOf(std::move(origin));
        columns["destination"] = arrayOf(std::move(destination));
        columns["start"] = arrayOf(std::move(start)).attr("view")("datetime64[m]");
        columns["end"] = arrayOf(std::move(end)).attr("view")("datetime64[m]");
        columns["duration"] = arrayOf(std::move(duration));
        columns["cost"] = arrayOf(std::move(cost));
        columns["start_task"] = py::array(py::cast(startTask)).attr("astype")("bool");
        return columns;
    }

    py::dict trips() const {
        const TViagens& trips = instance_->trips();
        auto size = static_cast<std::size_t>(trips.locationCount);
        std::vector<std::int64_t> distance(size * size), cost(size * size), minutes(size * size);
        for (std::size_t from = 0; from < size; ++from) {
            for (std::size_t to = 0; to < size; ++to) {
                const TViagem& trip = trips.trips[from][to];
                distance[from * size + to] = trip.distance;
                cost[from * size + to] = trip.cost;
                minutes[from * size + to] = std::llround(static_cast<double>(trip.travelTime) * 1440.0);
            }
        }
        py::tuple shape = py::make_tuple(size, size);
        py::dict matrices;
        matrices["distance"] = arrayOf(std::move(distance)).attr("reshape")(shape);
        matrices["cost"] = arrayOf(std::move(cost)).attr("reshape")(shape);
        matrices["travel_minutes"] = arrayOf(std::move(minutes)).attr("reshape")(shape);
        return matrices;
    }


    py::object solve(std::optional<std::string> model, double seconds) {
        TSolveOptions options;
        options.model = modelOrSettings(model);
        // The limit follows --solve-seconds' rule: positive, finite, within the clock's range.
        TSettings limit;
        readSetting(*rowNamed("solve-seconds"), limit, textOfDouble(seconds));
        options.seconds = limit.solveSeconds;
        if (options.model == settings_.model) options.uncoveredCost = settings_.uncoveredCost;
        if (settings_.plant && options.model != TModel::elastic) {
            TSolution start{plantedCost_, plantedColumns_, {}};
            std::sort(start.columns.begin(), start.columns.end());
            options.start = start;
        }
        std::vector<TPricingPass> passes;
        options.onPass = [&passes](const TPricingPass& pass) { passes.push_back(pass); };
        if (!solverAvailable()) throw py::value_error(tr("--solve: este programa foi compilado sem Clp e Cbc"));
        TSolveResult solved;
        withSignals(interrupted_, TLateSignal::raised, [this, &solved, &options] { solved = instance_->solve(options); });
        py::dict result;
        result["status"] = statusName(solved.status);
        result["miplib"] = statusWord(solved.status);
        result["objective"] = solved.objective ? py::object(py::int_(*solved.objective)) : py::none();
        result["bound"] = solved.bound ? py::object(py::int_(*solved.bound)) : py::none();
        result["lp_value"] = solved.lpValue ? py::object(py::float_(*solved.lpValue)) : py::none();
        result["gap"] = solved.gap ? py::object(py::float_(*solved.gap)) : py::none();
        std::vector<std::int64_t> columns;
        for (std::int32_t number : solved.solution.columns) columns.push_back(number - 1);
        result["columns"] = arrayOf(std::move(columns));
        std::vector<std::int64_t> slacks;
        for (std::int32_t task : solved.solution.slackTasks) slacks.push_back(task - 1);
        result["slack_tasks"] = arrayOf(std::move(slacks));
        result["passes"] = solved.pricingPasses;
        result["nodes"] = solved.nodes;
        result["seconds"] = solved.seconds;
        py::list trace;
        for (const TPricingPass& pass : passes) {
            py::dict line;
            line["pass"] = pass.pass;
            line["phase"] = pass.phase;
            line["seconds"] = pass.seconds;
            line["master_objective"] = pass.masterObjective;
            line["columns_added"] = pass.columnsAdded;
            line["lowest_reduced_cost"] = pass.lowestReducedCost;
            line["lagrangian_bound"] =
                pass.lagrangianBound ? py::object(py::float_(*pass.lagrangianBound)) : py::none();
            trace.append(line);
        }
        result["trace"] = trace;
        result["difficulty"] = difficultyOf(statusWord(solved.status), solved.nodes);
        return py::module_::import("gerador").attr("Solution")(**result);
    }

    py::dict check(const std::vector<std::int64_t>& columns, std::optional<std::string> model,
                   const std::vector<std::int64_t>& slackTasks) {
        TClaimedSolution claimed;
        auto costs = cost_.cast<py::array_t<std::int32_t>>().unchecked<1>();
        double objective = 0;
        for (std::int64_t column : columns) {
            claimed.values.emplace_back("C" + std::to_string(column + 1), 1.0);
            if (column >= 0 && column < columnCount_) objective += costs(column);
        }
        for (std::int64_t task : slackTasks) claimed.values.emplace_back("S" + std::to_string(task + 1), 1.0);
        TModel checked = modelOrSettings(model);
        std::optional<std::int64_t> uncoveredCost = checked == settings_.model ? settings_.uncoveredCost : std::nullopt;
        TSolutionVerdict verdict;
        withSignals(interrupted_, TLateSignal::raised, [&] {
            // The claimed objective is the chosen columns' cost: the check recomputes it, slacks included.
            TSolutionVerdict first = instance_->check(claimed, checked, uncoveredCost);
            claimed.objective = objective + static_cast<double>(slackTasks.size()) * static_cast<double>(first.uncoveredCost);
            verdict = instance_->check(claimed, checked, uncoveredCost);
        });
        py::dict findings;
        findings["valid"] = verdict.feasible && verdict.objectiveRight;
        findings["cost"] = verdict.recomputed;
        findings["problems"] = verdict.problems;
        return findings;
    }

    // The files of a run, written and committed as the command line writes them.
    void write(const std::string& folder, const py::kwargs& outputs) {
        TSettings settings = settings_;
        settings.columnEcho = false;
        readKeywords(
            outputs, settings,
            // A file's name may be a row of its own, named by the flag that writes it.
            [](const TSettingRow& row) {
                auto namesWrittenFile = [&row](const TSettingRow& flag) {
                    return flag.writesFileOption != nullptr && std::string_view(flag.writesFileOption) == row.name;
                };
                return row.outputFile != nullptr || row.writesFlag != nullptr ||
                       std::ranges::any_of(settingRows(), namesWrittenFile);
            },
            N_("--%s: não é um arquivo que write() grava"));
        // A failed write leaves no folder of its own, as a failed run of the program.
        std::vector<std::string> made = makeFolders(folder);
        TTextConsole console;
        TRunEnvironment environment;
        environment.console = &console;
        environment.baseFolder = folder;
        environment.interrupted = &interrupted_;
        try {
            withSignals(interrupted_, TLateSignal::warnedAfterFiles,
                        [&settings, &environment] { runSettings(settings, environment); });
        } catch (...) {
            removeEmptyFolders(made);
            throw;
        }
    }

    std::string svg() { return outputOfRun("svg", "p.svg"); }

    // The report as the command line writes it, as a dict; made once, then kept.
    py::object summary() {
        if (summary_.is_none()) {
            summary_ = py::module_::import("json").attr("loads")(outputOfRun("report", "r.json"));
        }
        return summary_;
    }

    std::string representation() const {
        return "<gerador.Instance: " + std::to_string(instance_->tasks().count) + " tasks, " +
               std::to_string(columnCount_) + " columns" + (settings_.plant ? ", planted partition" : "") + ">";
    }

private:
    // The text of one output of the instance's run (option "svg", "report"), written in a
    // folder of its own that is removed again.
    std::string outputOfRun(const char* option, const char* name) {
        // Where Python's own temporary files go: TMPDIR when it is usable, else the
        // system's; OSError when none is.
        std::filesystem::path folder =
            py::module_::import("tempfile").attr("mkdtemp")(py::arg("prefix") = "gerador-").cast<std::string>();
        auto removeFolder = [&folder] {
            std::error_code ignored;
            std::filesystem::remove_all(folder, ignored);
        };
        py::kwargs outputs;
        outputs[option] = name;
        outputs["column_write_file"] = false;
        std::stringstream text;
        try {
            write(folder.string(), outputs);
            std::ifstream file(folder / name);
            text << file.rdbuf();
        } catch (...) {
            removeFolder();
            throw;
        }
        removeFolder();
        return text.str();
    }

    TModel modelOrSettings(const std::optional<std::string>& model) const {
        if (!model) return settings_.model;
        std::optional<TModel> named = modelNamed(*model);
        if (!named) throw py::value_error(textf(tr("--model %s: deve ser partition, cover ou elastic"), model->c_str()));
        return *named;
    }

    TSettings settings_;
    TTextConsole console_;
    TRunEnvironment environment_;
    std::unique_ptr<TInstance> instance_;
    std::atomic<bool> interrupted_{false};  // the environments' interrupted flag
    py::object summary_ = py::none();
    std::int64_t columnCount_ = 0;
    std::vector<std::int32_t> plantedColumns_;
    std::int64_t plantedCost_ = 0;
    py::object matrix_, cost_, depot_, minutes_, length_;
};

// The columns of an instance in batches, for instances too large to hold: a thread runs
// the columns and waits while two batches wait for Python, so memory stays bounded.
class TPyColumnBatches {
public:
    TPyColumnBatches(const TSettings& settings, std::size_t batch) : settings_(settings), batch_(std::max<std::size_t>(batch, 1)) {
        environment_.console = &console_;
        producer_ = std::thread([this] { produce(); });
    }
    ~TPyColumnBatches() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        changed_.notify_all();
        producer_.join();
    }
    TPyColumnBatches(const TPyColumnBatches&) = delete;
    TPyColumnBatches& operator=(const TPyColumnBatches&) = delete;

    py::tuple next() {
        TBatch batch;
        {
            py::gil_scoped_release unlocked;
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return !ready_.empty() || done_; });
            if (ready_.empty()) {
                if (failure_) std::rethrow_exception(failure_);
                throw py::stop_iteration();
            }
            batch = std::move(ready_.front());
            ready_.pop_front();
        }
        changed_.notify_all();
        auto columns = static_cast<std::int64_t>(batch.cost.size());
        std::vector<std::int8_t> ones(batch.rows.size(), 1);
        std::vector<std::int32_t> starts(batch.starts.begin(), batch.starts.end());
        py::object csc = py::module_::import("scipy.sparse").attr("csc_matrix");
        py::object block = csc(py::make_tuple(arrayOf(std::move(ones)), arrayOf(std::move(batch.rows)),
                                              arrayOf(std::move(starts))),
                               py::arg("shape") = py::make_tuple(taskCount_, columns));
        return py::make_tuple(batch.first, block, arrayOf(std::move(batch.cost)));
    }

private:
    struct TBatch {
        std::int64_t first = 0;  // index of its first column
        std::vector<std::int64_t> starts{0};
        std::vector<std::int32_t> rows;
        std::vector<std::int32_t> cost;
    };
    struct EStopped {};

    struct TBatchSink : TColumnSink {
        TPyColumnBatches& owner;
        TBatch current;
        explicit TBatchSink(TPyColumnBatches& batches) : owner(batches) {}
        void begin(const TColumnRunInfo&) override {}
        void add(const TPricedColumn& column) override {
            current.rows.insert(current.rows.end(), column.tasks->begin(), column.tasks->end());
            current.starts.push_back(static_cast<std::int64_t>(current.rows.size()));
            current.cost.push_back(column.cost);
            if (current.cost.size() == owner.batch_) handOn();
        }
        void end(std::int32_t) override {
            if (!current.cost.empty()) handOn();
        }
        void handOn() {
            std::int64_t next = current.first + static_cast<std::int64_t>(current.cost.size());
            {
                std::unique_lock lock(owner.mutex_);
                owner.changed_.wait(lock, [this] { return owner.stopping_ || owner.ready_.size() < 2; });
                if (owner.stopping_) throw EStopped{};
                owner.ready_.push_back(std::move(current));
            }
            owner.changed_.notify_all();
            current = TBatch();
            current.first = next;
        }
    };

    void produce() {
        try {
            TInstance instance(settings_, environment_);
            taskCount_ = instance.tasks().count;
            TBatchSink sink(*this);
            instance.runColumns({&sink});
        } catch (const EStopped&) {
        } catch (...) {
            std::lock_guard lock(mutex_);
            failure_ = std::current_exception();
        }
        {
            std::lock_guard lock(mutex_);
            done_ = true;
        }
        changed_.notify_all();
    }

    TSettings settings_;
    std::size_t batch_;
    TTextConsole console_;
    TRunEnvironment environment_;
    std::int32_t taskCount_ = 0;  // set before the first batch is handed on
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<TBatch> ready_;
    bool stopping_ = false;
    bool done_ = false;
    std::exception_ptr failure_;
    std::thread producer_;
};

// Instances of a series, by the series rule: instance k depends only on the settings and k.
class TPyGenerator {
public:
    explicit TPyGenerator(const py::kwargs& keywords) : settings_(settingsOf(keywords)) {}
    std::unique_ptr<TPyInstance> instance(std::int32_t number) const {
        if (number < 1) throw py::value_error(tr("instance: k começa em 1"));
        return std::make_unique<TPyInstance>(seriesInstanceSettings(settings_, number));
    }
    void seed(std::int32_t number) { next_ = number; }
    std::unique_ptr<TPyInstance> next() { return instance(next_++); }

private:
    TSettings settings_;
    std::int32_t next_ = 1;
};

}  // namespace

PYBIND11_MODULE(gerador, module) {
    module.doc() = "Synthetic crew-scheduling instances as set partitioning, at C++ speed.";
    // pybind11 looks numpy's interface up once, in a function-local static whose
    // initialiser imports numpy and so may hand the GIL to another thread, which then
    // waits for that static holding the GIL. Looked up here, at import, no call races it.
    py::detail::npy_api::get();
    py::register_exception_translator([](std::exception_ptr failure) {
        try {
            if (failure) std::rethrow_exception(failure);
        } catch (const ESettingsError& error) {
            PyErr_SetString(PyExc_ValueError, error.what());
        } catch (const EColumnLimit& error) {
            PyErr_SetString(PyExc_ValueError, error.textNaming("max_columns").c_str());
        } catch (const EParameterError& error) {
            PyErr_SetString(PyExc_ValueError, error.what());
        } catch (const EConvertError& error) {
            PyErr_SetString(PyExc_ValueError, error.what());
        } catch (const EInterrupted&) {
            PyErr_SetNone(PyExc_KeyboardInterrupt);
        }
    });
    // What solve() returns: its fields as attributes (solution.objective), and as keys too.
    py::dict solutionBody;
    solutionBody["__module__"] = "gerador";
    solutionBody["__doc__"] =
        "A solve's outcome: status ('optimal', 'best', 'infeasible', 'unknown') and its MIPLIB word, objective, "
        "bound, lp_value, gap, columns (indices), slack_tasks, passes, nodes, seconds, trace, difficulty.";
    solutionBody["__getitem__"] = py::eval("lambda self, key: getattr(self, key)");
    module.attr("Solution") = py::module_::import("builtins").attr("type")(
        "Solution", py::make_tuple(py::module_::import("types").attr("SimpleNamespace")), solutionBody);
    py::class_<TPyInstance>(module, "Instance")
        .def_property_readonly("matrix", &TPyInstance::matrix, "tasks x columns, scipy.sparse.csc_matrix")
        .def_property_readonly("cost", &TPyInstance::cost)
        .def_property_readonly("depot", &TPyInstance::depot)
        .def_property_readonly("worked_minutes", &TPyInstance::minutes)
        .def_property_readonly("length", &TPyInstance::length)
        .def_property_readonly("tasks", &TPyInstance::tasks)
        .def_property_readonly("trips", &TPyInstance::trips)
        .def_property_readonly("planted", &TPyInstance::planted)
        .def_property_readonly("summary", &TPyInstance::summary)
        .def_property_readonly("settings", &TPyInstance::settings)
        .def("solve", &TPyInstance::solve, py::arg("model") = py::none(), py::arg("seconds") = 60.0)
        .def("check", &TPyInstance::check, py::arg("columns"), py::arg("model") = py::none(),
             py::arg("slack_tasks") = std::vector<std::int64_t>{})
        .def("write", &TPyInstance::write, py::arg("folder"))
        .def("_repr_svg_", &TPyInstance::svg)
        .def("__repr__", &TPyInstance::representation);
    module.def(
        "generate", [](const py::kwargs& keywords) { return std::make_unique<TPyInstance>(settingsOf(keywords)); },
        "The instance of the settings (keyword arguments named after the options); none: the standard one.");
    py::class_<TPyColumnBatches>(module, "ColumnBatches")
        .def("__iter__", [](TPyColumnBatches& batches) -> TPyColumnBatches& { return batches; })
        .def("__next__", &TPyColumnBatches::next);
    module.def(
        "columns",
        [](std::size_t batch, const py::kwargs& keywords) {
            return std::make_unique<TPyColumnBatches>(settingsOf(keywords), batch);
        },
        py::arg("batch") = 100000,
        "The columns in batches (first_index, csc_block, cost_block), with memory bounded by the batch.");
    py::class_<TPyGenerator>(module, "InstanceGenerator")
        .def(py::init<const py::kwargs&>())
        .def("instance", &TPyGenerator::instance, py::arg("k"))
        .def("seed", &TPyGenerator::seed, py::arg("k"))
        .def("__iter__", [](TPyGenerator& generator) -> TPyGenerator& { return generator; })
        .def("__next__", &TPyGenerator::next);
}
