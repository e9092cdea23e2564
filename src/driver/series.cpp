#include "driver/series.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include "common/exceptions.h"
#include "common/file_encoding.h"
#include "common/messages.h"
#include "driver/setting_rules.h"
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

// A record or a file of a series is read only when it is a regular file within its size:
// a FIFO or a device named in a forged record would hang the check, a link lead outside.
constexpr std::uint64_t kRecordMaxBytes = 16 << 20;

// Opens path for reading when it is a regular file, not through a link; -1 otherwise.
int openRegular(const std::string& path, std::uint64_t& bytes) {
    int descriptor = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    struct stat status {};
    if (descriptor >= 0 && (fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode))) {
        close(descriptor);
        return -1;
    }
    if (descriptor >= 0) bytes = static_cast<std::uint64_t>(status.st_size);
    return descriptor;
}

// The SHA-256 of the first bytes of descriptor, or none when they cannot be read.
std::optional<std::string> digestOf(int descriptor, std::uint64_t bytes) {
    TSha256 digest;
    std::string buffer(1 << 20, '\0');
    while (bytes > 0) {
        ssize_t got = read(descriptor, buffer.data(), static_cast<std::size_t>(std::min<std::uint64_t>(bytes, buffer.size())));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return std::nullopt;
        digest.update(std::string_view(buffer.data(), static_cast<std::size_t>(got)));
        bytes -= static_cast<std::uint64_t>(got);
    }
    return digest.hexDigest();
}

// Whether listed (sorted) names exactly the files instance folder makes with own, under the
// series' folder: each once, and all of them but a solution file, which a solve that found
// no solution does not write.
bool listsTheFilesMade(const std::vector<std::string>& listed, const std::string& folder, const TSettings& own) {
    std::vector<std::string> made;
    std::vector<std::string> optional;
    for (const auto& [option, name] : outputsOf(own)) {
        (option == optionOf<&TSettings::solutionFileName>() ? optional : made).push_back(folder + "/" + name);
    }
    std::vector<std::string> rest;
    for (const std::string& name : listed) {
        if (std::find(optional.begin(), optional.end(), name) == optional.end()) rest.push_back(name);
    }
    std::sort(made.begin(), made.end());
    bool once = std::adjacent_find(listed.begin(), listed.end()) == listed.end();
    return once && rest == made;
}

// Whether name stays inside the series' folder: relative, with no empty, "." or ".." part.
bool staysInside(const std::string& name) {
    std::size_t begin = 0;
    while (begin <= name.size()) {
        std::size_t end = std::min(name.find('/', begin), name.size());
        std::string_view part(name.data() + begin, end - begin);
        if (part.empty() || part == "." || part == "..") return false;
        begin = end + 1;
    }
    return true;
}

}  // namespace

nlohmann::ordered_json instanceRecordJson(const TSettings& own, const TManifestRow& row, const TRunFacts& run) {
    return {{"settings", settingsJson(own)},
            {"instance", manifestRowJson(row)},
            {"run", {{"wallSeconds", run.wallSeconds}, {"peakMemoryKB", run.peakMemoryKB}}}};
}

std::optional<std::string> instanceProblem(const std::string& seriesFolder, const std::string& folder,
                                           const TSettings& own, TManifestRow& row) {
    auto pathOf = [&](const std::string& name) { return seriesFolder.empty() ? name : seriesFolder + "/" + name; };
    std::string recordName = folder + "/" + kInstanceRecordName;
    std::uint64_t recordBytes = 0;
    int descriptor = openRegular(pathOf(recordName), recordBytes);
    if (descriptor < 0) return textf(tr("falta o registro %s"), recordName.c_str());
    std::string text;
    if (recordBytes <= kRecordMaxBytes) {
        text.resize(static_cast<std::size_t>(recordBytes));
        std::size_t length = 0;
        for (ssize_t got = 1; length < text.size() && got > 0; length += static_cast<std::size_t>(std::max<ssize_t>(got, 0)))
            got = read(descriptor, text.data() + length, text.size() - length);
        text.resize(length);
    }
    close(descriptor);
    nlohmann::ordered_json record;
    try {
        if (recordBytes > kRecordMaxBytes) throw EConvertError(recordName);
        record = nlohmann::ordered_json::parse(text);
        row = manifestRowFromJson(record.at("instance"));
        if (decidingSettings(record.at("settings")) != decidingSettings(settingsJson(own)))
            return textf(tr("%s foi feito com outras opções"), recordName.c_str());
    } catch (const nlohmann::json::exception&) {
        return textf(tr("%s não pode ser lido"), recordName.c_str());
    } catch (const EConvertError&) {
        return textf(tr("%s não pode ser lido"), recordName.c_str());
    }
    if (row.folder != folder) return textf(tr("%s é de outra instância (%s)"), recordName.c_str(), row.folder.c_str());
    if (row.tripSeed != own.tripSeed || row.taskSeed != own.taskSeed || row.columnSeed != own.columnSeed)
        return textf(tr("%s é de outra instância (%s)"), recordName.c_str(), row.folder.c_str());
    // Exactly the files the settings make, by their names inside the folder: a record that
    // lists fewer, or another instance's, or one outside the series, does not stand.
    std::vector<std::string> listed;
    for (const TWrittenFile& written : row.files) listed.push_back(written.name);
    std::sort(listed.begin(), listed.end());
    if (!listsTheFilesMade(listed, folder, own) || !std::all_of(listed.begin(), listed.end(), staysInside))
        return textf(tr("%s não lista os arquivos que as opções fazem"), recordName.c_str());
    for (const TWrittenFile& written : row.files) {
        std::uint64_t bytes = 0;
        int file = openRegular(pathOf(written.name), bytes);
        if (file < 0) return textf(tr("falta o arquivo %s"), written.name.c_str());
        bool matches = bytes == written.bytes && digestOf(file, bytes) == written.sha256;
        close(file);
        if (!matches) return textf(tr("o arquivo %s não confere com o registro (tamanho ou SHA-256)"), written.name.c_str());
    }
    return std::nullopt;
}

}  // namespace gerador
