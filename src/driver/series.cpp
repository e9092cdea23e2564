#include "driver/series.h"

#include <algorithm>
#include <fstream>
#include <sys/stat.h>

#include <nlohmann/json.hpp>

#include "common/exceptions.h"
#include "common/file_encoding.h"
#include "common/messages.h"
#include "driver/setting_table.h"

namespace gerador {

TSettings seriesInstanceSettings(const TSettings& series, std::int32_t instance) {
    TSettings own = series;
    // The instance is the single run of its seeds: nothing of the series is left in it.
    own.seriesCount = 0;
    own.shard = {};
    own.mergeFolder.clear();
    auto offset = static_cast<std::uint32_t>(instance - 1);
    own.tripSeed += offset;
    own.taskSeed += offset;
    own.columnSeed += offset;
    return own;
}

std::string seriesFolderName(std::int32_t instance, std::int32_t instances) {
    std::size_t width = std::max<std::size_t>(3, std::to_string(instances).size());
    std::string number = std::to_string(instance);
    return std::string(width - std::min(width, number.size()), '0') + number;
}

namespace {

// The settings that decide an instance's files; the threads do not.
nlohmann::ordered_json decidingSettings(nlohmann::ordered_json settings) {
    settings.erase("threads");
    return settings;
}

// The SHA-256 of the file at path, or none when it cannot be read.
std::optional<std::string> digestOf(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    TSha256 digest;
    std::string buffer(1 << 20, '\0');
    while (file.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || file.gcount() > 0) {
        digest.update(std::string_view(buffer.data(), static_cast<std::size_t>(file.gcount())));
    }
    if (file.bad()) return std::nullopt;
    return digest.hexDigest();
}

}  // namespace

nlohmann::ordered_json instanceRecordJson(const TSettings& own, const TManifestRow& row) {
    return {{"settings", settingsJson(own)}, {"instance", manifestRowJson(row)}};
}

std::optional<std::string> instanceProblem(const std::string& seriesFolder, const std::string& folder,
                                           const TSettings& own, TManifestRow& row) {
    auto pathOf = [&](const std::string& name) { return seriesFolder.empty() ? name : seriesFolder + "/" + name; };
    std::string recordName = folder + "/" + kInstanceRecordName;
    std::ifstream file(pathOf(recordName));
    if (!file) return textf(tr("falta o registro %s"), recordName.c_str());
    nlohmann::ordered_json record;
    try {
        record = nlohmann::ordered_json::parse(file);
        row = manifestRowFromJson(record.at("instance"));
        if (decidingSettings(record.at("settings")) != decidingSettings(settingsJson(own)))
            return textf(tr("%s foi feito com outras opções"), recordName.c_str());
    } catch (const nlohmann::json::exception&) {
        return textf(tr("%s não pode ser lido"), recordName.c_str());
    } catch (const EConvertError&) {
        return textf(tr("%s não pode ser lido"), recordName.c_str());
    }
    if (row.folder != folder) return textf(tr("%s é de outra instância (%s)"), recordName.c_str(), row.folder.c_str());
    for (const TWrittenFile& written : row.files) {
        struct stat status {};
        if (stat(pathOf(written.name).c_str(), &status) != 0) return textf(tr("falta o arquivo %s"), written.name.c_str());
        if (static_cast<std::uint64_t>(status.st_size) != written.bytes || digestOf(pathOf(written.name)) != written.sha256)
            return textf(tr("o arquivo %s não confere com o registro (tamanho ou SHA-256)"), written.name.c_str());
    }
    return std::nullopt;
}

}  // namespace gerador
