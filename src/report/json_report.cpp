#include "report/json_report.h"

#include <algorithm>
#include <sys/resource.h>

#include <nlohmann/json.hpp>

#include "common/date_time.h"
#include "common/output_file.h"
#include "tasks/task_table.h"
#include "tasks/tasks.h"
#include "trips/trip_table.h"
#include "trips/trips.h"

namespace gerador {

namespace {

nlohmann::ordered_json rangeOf(const TValueRange& range, std::int64_t count) {
    if (count == 0) return nullptr;
    return {{"min", range.min}, {"mean", static_cast<double>(range.sum) / static_cast<double>(count)},
            {"max", range.max}};
}

std::vector<std::int32_t> taskNumbers(const std::vector<std::int32_t>& indices) {
    std::vector<std::int32_t> numbers;
    for (std::int32_t index : indices) numbers.push_back(index + 1);
    return numbers;
}

// The tables are written a record a line, in the place of these markers: a table of
// millions of trips never stands in memory as a JSON tree.
const std::string kTripTableMarker = "\x01trips\x01";
const std::string kTaskTableMarker = "\x01tasks\x01";

nlohmann::ordered_json taskRecord(const TTaskRow& row) {
    return {{"number", row.number},
            {"origin", row.origin},
            {"destination", row.destination},
            {"start", row.start},
            {"end", row.end},
            {"durationMinutes", row.durationMinutes},
            {"cost", row.cost},
            {"startTask", row.startTask}};
}

nlohmann::ordered_json tripRecord(const TTripRow& row) {
    return {{"from", row.from},
            {"to", row.to},
            {"distance", row.distance},
            {"cost", row.cost},
            {"travelMinutes", row.travelMinutes}};
}

// Writes rows as a JSON array of records, one a line, indented under a member at indent.
template <typename TRow>
void writeRecords(TOutputFile& file, const std::vector<TRow>& rows, nlohmann::ordered_json (*record)(const TRow&),
                  std::size_t indent) {
    std::string inner(indent + 2, ' ');
    file.write("[");
    for (std::size_t row = 0; row < rows.size(); ++row)
        file.write((row == 0 ? "\n" : ",\n") + inner + record(rows[row]).dump());
    file.write(rows.empty() ? "]" : "\n" + std::string(indent, ' ') + "]");
}

nlohmann::ordered_json fileRecords(const std::vector<TWrittenFile>& files) {
    nlohmann::ordered_json records = nlohmann::ordered_json::array();
    for (const TWrittenFile& written : files) {
        nlohmann::ordered_json record = {{"name", written.name}, {"bytes", written.bytes}};
        record["sha256"] =
            written.sha256.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(written.sha256);
        if (written.compressed) {
            record["contentBytes"] = written.contentBytes;
            record["contentSha256"] = written.contentSha256;
        }
        records.push_back(record);
    }
    return records;
}

nlohmann::ordered_json tasksOf(const TInstanceFacts& summary) {
    std::int64_t fromDepot = 0;
    std::int64_t toDepot = 0;
    nlohmann::ordered_json firstStart = nullptr;
    nlohmann::ordered_json lastEnd = nullptr;
    if (summary.taskCount > 0) {
        TDateTime first = (*summary.tasks)[0].start;
        TDateTime last = (*summary.tasks)[0].end;
        for (std::size_t task = 0; task < static_cast<std::size_t>(summary.taskCount); ++task) {
            const TTarefa& record = (*summary.tasks)[task];
            fromDepot += record.origin >= 1 && record.origin <= summary.depotCount;
            toDepot += record.destination >= 1 && record.destination <= summary.depotCount;
            first = std::min(first, record.start);
            last = std::max(last, record.end);
        }
        firstStart = isoInstant(first);
        lastEnd = isoInstant(last);
    }
    return {{"count", summary.taskCount}, {"depots", summary.depotCount}, {"leavingFromDepot", fromDepot},
            {"arrivingAtDepot", toDepot}, {"firstStart", firstStart}, {"lastEnd", lastEnd}};
}

nlohmann::ordered_json verdictOf(const TRunResult& run) {
    const TPartitionVerdict& verdict = run.instance.verdict;
    nlohmann::ordered_json result;
    if (run.planted) {
        std::vector<std::int32_t> columns = run.planted->columns;
        std::sort(columns.begin(), columns.end());
        result = {{"exactPartition", true}, {"witness", "planted"}, {"columns", columns}, {"cost", run.planted->cost}};
        result["explanation"] = partitionText(run, TTextUse::file);
        return result;
    }
    switch (verdict.kind) {
        case TPartitionVerdict::TKind::uncoveredTask:
            result = {{"exactPartition", false}, {"certificate", "uncovered-task"}, {"task", verdict.a + 1}};
            break;
        case TPartitionVerdict::TKind::neverTogetherPair:
            result = {{"exactPartition", false},
                      {"certificate", "never-together-pair"},
                      {"tasks", {verdict.a + 1, verdict.b + 1}},
                      {"commonTask", verdict.c + 1}};
            break;
        case TPartitionVerdict::TKind::noSimpleObstacle:
            result = {{"exactPartition", nullptr}, {"certificate", nullptr}};
            result["pairRule"] = verdict.pairRuleSkipped ? "skipped" : "applied";
            break;
    }
    result["explanation"] = partitionText(run, TTextUse::file);
    return result;
}

}  // namespace

void writeJsonReport(TOutputFile& file, const TRunResult& result, const nlohmann::ordered_json& settings,
                     bool withRunFacts) {
    const TInstanceFacts& summary = result.instance;
    nlohmann::ordered_json byLength = nlohmann::ordered_json::object();
    for (std::size_t length = 0; length < summary.columnsByLength.size(); ++length) {
        if (summary.columnsByLength[length] != 0) byLength[std::to_string(length)] = summary.columnsByLength[length];
    }
    nlohmann::ordered_json byDepot = nlohmann::ordered_json::object();
    for (const auto& [depot, columns] : summary.columnsByDepot) byDepot[std::to_string(depot)] = columns;

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::chrono::duration<double> wall = std::chrono::steady_clock::now() - result.started;

    nlohmann::ordered_json report = {
        {"program", {{"name", "gerador"}, {"version", GERADOR_VERSION}}},
        {"settings", settings},
        {"trips", {{"locations", result.trips->locationCount}, {"table", kTripTableMarker}}},
        {"tasks", tasksOf(summary)},
        {"columns",
         {{"total", summary.columnCount},
          {"phase1", summary.phaseColumns[0]},
          {"phase2", summary.phaseColumns[1]},
          {"byLength", byLength},
          {"cost", rangeOf(summary.cost, summary.columnCount)},
          {"workMinutes", rangeOf(summary.workMinutes, summary.columnCount)},
          {"byDepot", byDepot}}},
        {"coverage",
         {{"byTask", summary.coverage},
          {"least", {{"columns", summary.leastCoverage}, {"tasks", taskNumbers(summary.leastCovered)}}},
          {"uncovered", taskNumbers(summary.uncovered)}}},
        {"partition", verdictOf(result)},
    };
    if (result.uncoveredCost) report["elastic"] = {{"uncoveredCost", *result.uncoveredCost}};
    if (result.solve) {
        const TSolveFacts& solve = *result.solve;
        auto orNull = [](const auto& value) {
            return value ? nlohmann::ordered_json(*value) : nlohmann::ordered_json(nullptr);
        };
        report["solve"] = {{"model", solve.model},         {"status", solve.status},
                           {"objective", orNull(solve.objective)}, {"bound", orNull(solve.bound)},
                           {"lpValue", orNull(solve.lpValue)}, {"lpConverged", solve.lpConverged}, {"gap", orNull(solve.gap)},
                           {"seconds", solve.seconds},     {"pricingPasses", solve.pricingPasses},
                           {"masterColumns", solve.masterColumns}, {"nodes", solve.nodes},
                           {"lpSeconds", solve.lpSeconds}, {"integerSeconds", solve.integerSeconds},
                           {"rootGap", orNull(solve.rootGap)}, {"difficulty", solve.difficulty}};
        if (!withRunFacts) {
            for (const char* key : {"seconds", "lpSeconds", "integerSeconds"}) report["solve"].erase(key);
        }
    }
    report["tasks"]["table"] = kTaskTableMarker;
    report["files"] = fileRecords(result.files);
    if (withRunFacts) report["run"] = {{"wallSeconds", wall.count()}, {"peakMemoryKB", usage.ru_maxrss}};
    std::string text = report.dump(2) + "\n";
    std::size_t written = 0;
    for (const std::string* marker : {&kTripTableMarker, &kTaskTableMarker}) {
        std::string quoted = nlohmann::ordered_json(*marker).dump();
        std::size_t at = text.find(quoted, written);
        std::size_t lineStart = text.rfind('\n', at) + 1;
        std::size_t indent = text.find_first_not_of(' ', lineStart) - lineStart;
        file.write(std::string_view(text).substr(written, at - written));
        if (marker == &kTripTableMarker) {
            writeRecords(file, tripTable(*result.trips), tripRecord, indent);
        } else {
            writeRecords(file, taskTable(*result.tasks), taskRecord, indent);
        }
        written = at + quoted.size();
    }
    file.write(std::string_view(text).substr(written));
}

}  // namespace gerador
