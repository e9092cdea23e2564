// Writes the manifest of a series:
// - manifest.csv: a header, then one row per instance (see writeManifestCsv);
// - manifest.json: {"program", "settings", "instances": [...]}, one record per instance.
#include "report/manifest.h"

#include <cstdio>

#include <nlohmann/json.hpp>

#include "common/exceptions.h"
#include "common/messages.h"
#include "common/output_file.h"

namespace gerador {

namespace {

double densityOf(const TManifestRow& row) {
    double cells = static_cast<double>(row.tasks) * static_cast<double>(row.columns);
    return cells > 0 ? static_cast<double>(row.nonzeros) / cells : 0.0;
}

template <typename TValue>
std::string csvOf(const std::optional<TValue>& value) {
    if (!value) return "";
    if constexpr (std::is_same_v<TValue, double>) {
        char text[32];
        std::snprintf(text, sizeof text, "%.10g", *value);
        return text;
    } else if constexpr (std::is_same_v<TValue, bool>) {
        return *value ? "true" : "false";
    } else {
        return std::to_string(*value);
    }
}

template <typename TValue>
std::optional<TValue> optionalOf(const nlohmann::ordered_json& value) {
    return value.is_null() ? std::nullopt : std::optional<TValue>(value.get<TValue>());
}

template <typename TValue>
nlohmann::ordered_json jsonOf(const std::optional<TValue>& value) {
    return value ? nlohmann::ordered_json(*value) : nlohmann::ordered_json(nullptr);
}

}  // namespace

TManifestRow manifestRow(std::string folder, std::uint32_t tripSeed, std::uint32_t taskSeed, std::uint32_t columnSeed,
                         const TRunResult& result, std::vector<TWrittenFile> files) {
    const TInstanceFacts& facts = result.instance;
    TManifestRow row;
    row.folder = std::move(folder);
    row.tripSeed = tripSeed;
    row.taskSeed = taskSeed;
    row.columnSeed = columnSeed;
    row.tasks = facts.taskCount;
    row.columns = facts.columnCount;
    for (std::size_t length = 0; length < facts.columnsByLength.size(); ++length) {
        row.nonzeros += static_cast<std::int64_t>(length) * facts.columnsByLength[length];
    }
    switch (facts.verdict.kind) {
        case TPartitionVerdict::TKind::uncoveredTask:
            row.exactPartition = false;
            row.witness = "uncovered-task";
            break;
        case TPartitionVerdict::TKind::neverTogetherPair:
            row.exactPartition = false;
            row.witness = "never-together-pair";
            break;
        case TPartitionVerdict::TKind::noSimpleObstacle: break;
    }
    if (result.planted) {
        row.exactPartition = true;
        row.witness = "planted";
    }
    row.solve = result.solve;
    row.files = std::move(files);
    return row;
}

void writeManifestCsv(TOutputFile& file, const std::vector<TManifestRow>& rows) {
    std::string text = "folder,tripSeed,taskSeed,columnSeed,tasks,columns,nonzeros,density,exactPartition,witness,"
                       "status,objective,bound,gap,seconds,nodes,rootGap,pricingPasses,lpSeconds,integerSeconds,"
                       "difficulty";
    // Every instance writes the same files under its own folder: the first names the columns.
    if (!rows.empty()) {
        for (const TWrittenFile& written : rows.front().files) {
            text += ",sha256 " + written.name.substr(written.name.find('/') + 1);
        }
    }
    text += "\n";
    for (const TManifestRow& row : rows) {
        std::optional<double> density = densityOf(row);
        text += row.folder + "," + std::to_string(row.tripSeed) + "," + std::to_string(row.taskSeed) + "," +
                std::to_string(row.columnSeed) + "," + std::to_string(row.tasks) + "," + std::to_string(row.columns) +
                "," + std::to_string(row.nonzeros) + "," + csvOf(density) + "," + csvOf(row.exactPartition) + "," +
                row.witness;
        if (row.solve) {
            const TSolveFacts& solve = *row.solve;
            text += "," + solve.status + "," + csvOf(solve.objective) + "," + csvOf(solve.bound) + "," +
                    csvOf(solve.gap) + "," + csvOf(std::optional<double>(solve.seconds)) + "," +
                    std::to_string(solve.nodes) + "," + csvOf(solve.rootGap) + "," +
                    std::to_string(solve.pricingPasses) + "," + csvOf(std::optional<double>(solve.lpSeconds)) + "," +
                    csvOf(std::optional<double>(solve.integerSeconds)) + "," + solve.difficulty;
        } else {
            text += ",,,,,,,,,,,";
        }
        for (const TWrittenFile& written : row.files) text += "," + written.sha256;
        text += "\n";
    }
    file.write(text);
}

nlohmann::ordered_json manifestRowJson(const TManifestRow& row) {
    nlohmann::ordered_json files = nlohmann::ordered_json::array();
    for (const TWrittenFile& written : row.files) {
        nlohmann::ordered_json record = {{"name", written.name}, {"bytes", written.bytes}, {"sha256", written.sha256}};
        if (written.compressed) {
            record["contentBytes"] = written.contentBytes;
            record["contentSha256"] = written.contentSha256;
        }
        files.push_back(record);
    }
    nlohmann::ordered_json solve = nullptr;
    if (row.solve) {
        solve = {{"model", row.solve->model},     {"status", row.solve->status},
                 {"objective", jsonOf(row.solve->objective)}, {"bound", jsonOf(row.solve->bound)},
                 {"gap", jsonOf(row.solve->gap)}, {"seconds", row.solve->seconds},
                 {"nodes", row.solve->nodes}, {"rootGap", jsonOf(row.solve->rootGap)},
                 {"pricingPasses", row.solve->pricingPasses}, {"lpSeconds", row.solve->lpSeconds},
                 {"integerSeconds", row.solve->integerSeconds}, {"difficulty", row.solve->difficulty}};
    }
    return {{"folder", row.folder},
            {"tripSeed", row.tripSeed},
            {"taskSeed", row.taskSeed},
            {"columnSeed", row.columnSeed},
            {"tasks", row.tasks},
            {"columns", row.columns},
            {"nonzeros", row.nonzeros},
            {"density", densityOf(row)},
            {"exactPartition", jsonOf(row.exactPartition)},
            {"witness", row.witness.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(row.witness)},
            {"solve", solve},
            {"files", files}};
}

TManifestRow manifestRowFromJson(const nlohmann::ordered_json& record) {
    TManifestRow row;
    try {
        row.folder = record.at("folder").get<std::string>();
        row.tripSeed = record.at("tripSeed").get<std::uint32_t>();
        row.taskSeed = record.at("taskSeed").get<std::uint32_t>();
        row.columnSeed = record.at("columnSeed").get<std::uint32_t>();
        row.tasks = record.at("tasks").get<std::int32_t>();
        row.columns = record.at("columns").get<std::int64_t>();
        row.nonzeros = record.at("nonzeros").get<std::int64_t>();
        row.exactPartition = optionalOf<bool>(record.at("exactPartition"));
        if (!record.at("witness").is_null()) row.witness = record.at("witness").get<std::string>();
        if (const nlohmann::ordered_json& solve = record.at("solve"); !solve.is_null()) {
            TSolveFacts& facts = row.solve.emplace();
            facts.model = solve.at("model").get<std::string>();
            facts.status = solve.at("status").get<std::string>();
            facts.objective = optionalOf<std::int64_t>(solve.at("objective"));
            facts.bound = optionalOf<std::int64_t>(solve.at("bound"));
            facts.gap = optionalOf<double>(solve.at("gap"));
            facts.seconds = solve.at("seconds").get<double>();
            facts.nodes = solve.at("nodes").get<std::int64_t>();
            facts.rootGap = optionalOf<double>(solve.at("rootGap"));
            facts.pricingPasses = solve.at("pricingPasses").get<std::int32_t>();
            facts.lpSeconds = solve.at("lpSeconds").get<double>();
            facts.integerSeconds = solve.at("integerSeconds").get<double>();
            facts.difficulty = solve.at("difficulty").get<std::string>();
        }
        for (const nlohmann::ordered_json& file : record.at("files")) {
            TWrittenFile& written = row.files.emplace_back();
            written.name = file.at("name").get<std::string>();
            written.bytes = file.at("bytes").get<std::uint64_t>();
            written.sha256 = file.at("sha256").get<std::string>();
            written.compressed = file.contains("contentBytes");
            if (written.compressed) {
                written.contentBytes = file.at("contentBytes").get<std::uint64_t>();
                written.contentSha256 = file.at("contentSha256").get<std::string>();
            }
        }
    } catch (const nlohmann::json::exception& error) {
        throw EConvertError(textf(tr("registro de instância inválido: %s"), error.what()));
    }
    return row;
}

void writeManifestJson(TOutputFile& file, const std::vector<TManifestRow>& rows,
                       const nlohmann::ordered_json& settings) {
    nlohmann::ordered_json instances = nlohmann::ordered_json::array();
    for (const TManifestRow& row : rows) instances.push_back(manifestRowJson(row));
    nlohmann::ordered_json manifest = {{"program", {{"name", "gerador"}, {"version", GERADOR_VERSION}}},
                                       {"settings", settings},
                                       {"instances", instances}};
    file.write(manifest.dump(2) + "\n");
}

}  // namespace gerador
