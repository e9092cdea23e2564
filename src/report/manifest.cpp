// Writes the manifest of a series:
// - manifest.csv: a header, then one row per instance (see writeManifestCsv);
// - manifest.json: {"program", "settings", "instances": [...]}, one record per instance.
#include "report/manifest.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

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

// A record is read back as strictly as the command line reads a number: a whole number
// where one is due, within its type and the range the run can give (a float such as 1e30
// was once read as -9223372036854775808, and a negative task count was kept).
template <typename TValue>
TValue numberOf(const nlohmann::ordered_json& record, const char* key, TValue least = std::numeric_limits<TValue>::lowest(),
                TValue most = std::numeric_limits<TValue>::max()) {
    const nlohmann::ordered_json& value = record.at(key);
    if constexpr (std::is_integral_v<TValue>) {
        bool fits = false;
        if (value.is_number_unsigned()) {
            auto number = value.get<std::uint64_t>();
            fits = number <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) &&
                   static_cast<std::int64_t>(number) >= static_cast<std::int64_t>(least) &&
                   static_cast<std::int64_t>(number) <= static_cast<std::int64_t>(most);
            if (!fits && std::is_unsigned_v<TValue> && number <= static_cast<std::uint64_t>(most)) fits = true;
        } else if (value.is_number_integer()) {
            auto number = value.get<std::int64_t>();
            fits = !(std::is_unsigned_v<TValue> && number < 0) && number >= static_cast<std::int64_t>(least) &&
                   static_cast<std::uint64_t>(number) <= static_cast<std::uint64_t>(most);
        }
        if (!fits) throw EConvertError(textf(tr("registro de instância inválido: %s fora do intervalo"), key));
        return value.get<TValue>();
    } else {
        if (!value.is_number() || !std::isfinite(value.get<double>()) || value.get<double>() < least ||
            value.get<double>() > most)
            throw EConvertError(textf(tr("registro de instância inválido: %s fora do intervalo"), key));
        return value.get<TValue>();
    }
}

template <typename TValue>
std::optional<TValue> optionalOf(const nlohmann::ordered_json& record, const char* key,
                                 TValue least = std::numeric_limits<TValue>::lowest(),
                                 TValue most = std::numeric_limits<TValue>::max()) {
    if (record.at(key).is_null()) return std::nullopt;
    if constexpr (std::is_same_v<TValue, bool>) {
        return record.at(key).get<bool>();
    } else {
        return numberOf<TValue>(record, key, least, most);
    }
}

// A word of a record that the run writes from a short list: anything else is refused.
std::string wordOf(const nlohmann::ordered_json& record, const char* key, std::initializer_list<const char*> words) {
    std::string word = record.at(key).get<std::string>();
    for (const char* known : words)
        if (word == known) return word;
    throw EConvertError(textf(tr("registro de instância inválido: %s fora do intervalo"), key));
}

// A field of CSV as RFC 4180 writes it: quoted, with its quotes doubled, when it holds a
// comma, a quote or a line end.
std::string csvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char character : text) {
        if (character == '"') quoted += '"';
        quoted += character;
    }
    return quoted + "\"";
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
            text += "," + csvField("sha256 " + written.name.substr(written.name.find('/') + 1));
        }
    }
    text += "\n";
    for (const TManifestRow& row : rows) {
        std::optional<double> density = densityOf(row);
        text += csvField(row.folder) + "," + std::to_string(row.tripSeed) + "," + std::to_string(row.taskSeed) + "," +
                std::to_string(row.columnSeed) + "," + std::to_string(row.tasks) + "," + std::to_string(row.columns) +
                "," + std::to_string(row.nonzeros) + "," + csvOf(density) + "," + csvOf(row.exactPartition) + "," +
                csvField(row.witness);
        if (row.solve) {
            const TSolveFacts& solve = *row.solve;
            text += "," + csvField(solve.status) + "," + csvOf(solve.objective) + "," + csvOf(solve.bound) + "," +
                    csvOf(solve.gap) + "," + csvOf(std::optional<double>(solve.seconds)) + "," +
                    std::to_string(solve.nodes) + "," + csvOf(solve.rootGap) + "," +
                    std::to_string(solve.pricingPasses) + "," + csvOf(std::optional<double>(solve.lpSeconds)) + "," +
                    csvOf(std::optional<double>(solve.integerSeconds)) + "," + csvField(solve.difficulty);
        } else {
            text += ",,,,,,,,,,,";
        }
        for (const TWrittenFile& written : row.files) text += "," + csvField(written.sha256);
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
    constexpr double kMostSeconds = 1e9;
    try {
        row.folder = record.at("folder").get<std::string>();
        row.tripSeed = numberOf<std::uint32_t>(record, "tripSeed");
        row.taskSeed = numberOf<std::uint32_t>(record, "taskSeed");
        row.columnSeed = numberOf<std::uint32_t>(record, "columnSeed");
        row.tasks = numberOf<std::int32_t>(record, "tasks", 0);
        // Column numbers are 32-bit, and every column holds at most every task.
        row.columns = numberOf<std::int64_t>(record, "columns", 0, std::numeric_limits<std::uint32_t>::max());
        row.nonzeros = numberOf<std::int64_t>(record, "nonzeros", 0);
        if (row.nonzeros > row.columns * std::max<std::int64_t>(row.tasks, 0))
            throw EConvertError(textf(tr("registro de instância inválido: %s fora do intervalo"), "nonzeros"));
        row.exactPartition = optionalOf<bool>(record, "exactPartition");
        if (!record.at("witness").is_null())
            row.witness = wordOf(record, "witness", {"planted", "uncovered-task", "never-together-pair"});
        if (const nlohmann::ordered_json& solve = record.at("solve"); !solve.is_null()) {
            TSolveFacts& facts = row.solve.emplace();
            facts.model = wordOf(solve, "model", {"partition", "cover", "elastic"});
            facts.status = wordOf(solve, "status", {"=opt=", "=best=", "=inf=", "=unkn="});
            facts.objective = optionalOf<std::int64_t>(solve, "objective");
            facts.bound = optionalOf<std::int64_t>(solve, "bound");
            facts.gap = optionalOf<double>(solve, "gap", 0.0);
            facts.seconds = numberOf<double>(solve, "seconds", 0.0, kMostSeconds);
            facts.nodes = numberOf<std::int64_t>(solve, "nodes", 0);
            facts.rootGap = optionalOf<double>(solve, "rootGap");
            facts.pricingPasses = numberOf<std::int32_t>(solve, "pricingPasses", 0);
            facts.lpSeconds = numberOf<double>(solve, "lpSeconds", 0.0, kMostSeconds);
            facts.integerSeconds = numberOf<double>(solve, "integerSeconds", 0.0, kMostSeconds);
            facts.difficulty = wordOf(solve, "difficulty", {"easy", "medium", "hard", "infeasible"});
        }
        for (const nlohmann::ordered_json& file : record.at("files")) {
            TWrittenFile& written = row.files.emplace_back();
            written.name = file.at("name").get<std::string>();
            written.bytes = numberOf<std::uint64_t>(file, "bytes");
            written.sha256 = file.at("sha256").get<std::string>();
            written.compressed = file.contains("contentBytes");
            if (written.compressed) {
                written.contentBytes = numberOf<std::uint64_t>(file, "contentBytes");
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
