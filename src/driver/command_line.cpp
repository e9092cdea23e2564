#include "driver/command_line.h"

#include <cstdio>
#include <cstring>
#include <getopt.h>
#include <unordered_map>
#include <string_view>
#include <vector>

#include "common/file_encoding.h"
#include "common/output_target.h"
#include "driver/series.h"
#include "driver/setting_rules.h"
#include "driver/setting_table.h"
#include "solve/solver.h"

namespace gerador {

namespace {

// getopt_long codes: row i gives kFirstCode + 2i, and its --no- form kFirstCode + 2i + 1.
constexpr int kFirstCode = 1000;

const char* const kPointToHelp = "Use 'gerador --help' para ver as opções.";

[[noreturn]] void refuse(const std::string& what) {
    throw ECommandLineError("Erro: " + what + "\n" + kPointToHelp);
}

std::string optionWords(const TSettingRow& row) {
    std::string words = row.shortName != 0 ? std::string{'-', row.shortName, ',', ' '} : "";
    words += "--" + std::string(row.name);
    if (row.negatable) words += ", --no-" + std::string(row.name);
    if (row.valueName != nullptr) words += " " + std::string(row.valueName);
    return words;
}

}  // namespace

TCommandLine parseCommandLine(int argc, char* const argv[]) {
    std::span<const TSettingRow> rows = settingRows();
    std::vector<std::string> negatedNames;
    negatedNames.reserve(rows.size());
    std::vector<option> longOptions;
    std::string shortOptions = "+:";  // stop at the first argument; report a missing value as ':'
    for (std::size_t index = 0; index < rows.size(); ++index) {
        const TSettingRow& row = rows[index];
        int code = kFirstCode + 2 * static_cast<int>(index);
        longOptions.push_back({row.name, row.valueName != nullptr ? required_argument : no_argument, nullptr, code});
        if (row.negatable) {
            negatedNames.push_back("no-" + std::string(row.name));
            longOptions.push_back({negatedNames.back().c_str(), no_argument, nullptr, code + 1});
        }
        if (row.shortName != 0) shortOptions += std::string(1, row.shortName) + (row.valueName != nullptr ? ":" : "");
    }
    longOptions.push_back({nullptr, 0, nullptr, 0});

    TCommandLine commandLine;
    opterr = 0;  // our own messages, in Portuguese
    optind = 0;  // a fresh scan, also when called again
    int code = 0;
    while ((code = getopt_long(argc, argv, shortOptions.c_str(), longOptions.data(), nullptr)) != -1) {
        const char* last = argv[optind - 1];
        if (code == '?') refuse(shownWord(last) + ": opção desconhecida");
        if (code == ':') refuse(shownWord(last) + ": falta o valor");
        if (code < kFirstCode) {
            for (std::size_t index = 0; index < rows.size(); ++index) {
                if (rows[index].shortName == code) code = kFirstCode + 2 * static_cast<int>(index);
            }
        }
        const TSettingRow& row = rows[static_cast<std::size_t>((code - kFirstCode) / 2)];
        bool negated = (code - kFirstCode) % 2 == 1;
        if (row.action == TOptionAction::help) commandLine.action = TCommandLine::TAction::help;
        if (row.action == TOptionAction::version) commandLine.action = TCommandLine::TAction::version;
        if (row.read == nullptr) continue;
        std::string value = row.valueName != nullptr ? optarg : negated ? "não" : row.switchValue;
        try {
            // A name like an option is most likely one, given where the name was forgotten.
            if (row.outputFile != nullptr && !value.empty() && value[0] == '-') {
                throw EBadValue("esqueceu o nome do arquivo? Um nome que começa com - se escreve ./" + value);
            }
            row.read(commandLine.settings, value);
        } catch (const EBadValue& error) {
            refuse("--" + std::string(row.name) + " " + shownWord(value) + ": " + error.what());
        }
    }
    if (optind < argc) refuse(shownWord(argv[optind]) + ": argumento inesperado");
    if (std::optional<std::string> problem = settingsProblem(commandLine.settings)) refuse(*problem);
    return commandLine;
}

void refuseClashingOutputs(const TSettings& settings) {
    std::vector<std::pair<std::string, std::string>> outputs;  // option, name from the run's folder
    std::vector<std::pair<std::string, std::string>> ofInstance = outputsOf(settings);
    if (settings.seriesCount == 0) {
        outputs = ofInstance;
    } else {
        // Every instance writes under its folder; the manifest beside them.
        for (std::int32_t instance = 1; instance <= settings.seriesCount; ++instance) {
            std::string folder = seriesFolderName(instance, settings.seriesCount) + "/";
            for (const auto& [option, name] : ofInstance) outputs.emplace_back(option, folder + name);
            outputs.emplace_back(optionOf<&TSettings::seriesCount>(), folder + kInstanceRecordName);
        }
        for (const char* manifest : {"manifest.csv", "manifest.json"}) {
            outputs.emplace_back(optionOf<&TSettings::seriesCount>(), manifest);
        }
    }
    std::unordered_map<std::string, std::size_t> firstWith;  // identity, output
    for (std::size_t index = 0; index < outputs.size(); ++index) {
        const auto& [option, name] = outputs[index];
        if (isGzipName(name) && !gzipAvailable())
            refuse(option + " " + shownWord(name) + ": este programa foi compilado sem zlib");
        TOutputTarget target = resolveOutput(name, settings.directory);
        if (target.error != 0) refuse(option + " " + shownWord(name) + ": " + std::strerror(target.error));
        if (target.kind == TOutputTarget::TKind::folder)
            refuse(option + " " + shownWord(name) + ": é uma pasta, não um arquivo");
        if (!isSharedFile(target)) continue;
        for (const std::string& identity : target.identities) {
            auto [earlier, isNew] = firstWith.emplace(identity, index);
            if (isNew) continue;
            const auto& [earlierOption, earlierName] = outputs[earlier->second];
            refuse(option + " " + shownWord(name) + ": é o mesmo arquivo de " + earlierOption + " " +
                   shownWord(earlierName));
        }
    }
}

std::string helpText() {
    TSettings defaults;
    std::string text =
        "Uso: gerador [OPÇÕES]\n"
        "Gera uma instância sintética de escala de tripulações como partição de conjuntos: uma matriz\n"
        "de viagens entre locais, tarefas com horários numa janela de planejamento e, como colunas,\n"
        "cada cadeia de tarefas que uma tripulação pode cumprir, com seu custo, no arquivo\n"
        "150_3304438.txt. Sem opções faz a execução padrão.\n\nOpções (padrão entre parênteses):\n";
    auto addLine = [&text, &defaults](const TSettingRow& row) {
        std::string line = "  " + optionWords(row);
        line += line.size() < 34 ? std::string(34 - line.size(), ' ') : "\n" + std::string(34, ' ');
        std::string help = row.help;
        if (row.member == &kMemberTag<&TSettings::solve> && !solverAvailable()) {
            help += " [indisponível: compilado sem Clp e Cbc]";
        }
        text += line + help + (row.shown != nullptr ? " (" + row.shown(defaults) + ")" : "") + "\n";
    };
    // The options that take a value or stand alone, then the flags with their --no- forms.
    for (const TSettingRow& row : settingRows()) {
        if (!row.negatable) addLine(row);
    }
    for (const TSettingRow& row : settingRows()) {
        if (row.negatable) addLine(row);
    }
    text +=
        "\nExemplos:\n"
        "  gerador --count 60 --max-tasks 8 --no-wait      uma instância menor\n"
        "  gerador --task-seed 7 --column-seed 7 -C saida  outra semente, gravada em saida/\n"
        "  gerador --no-column-write-file --no-column-echo conta as colunas sem gravá-las\n"
        "  gerador --count 40 --mps i.mps --no-wait        a instância em MPS, que se resolve com\n"
        "                                                  cbc i.mps -solve -quit ou\n"
        "                                                  glpsol --freemps i.mps -o i.sol\n"
        "\nSaída: 0 sucesso, 1 falha durante a execução, 2 linha de comando inválida.\n";
    return text;
}

std::string versionText() {
    return "gerador " GERADOR_VERSION "\n";
}

}  // namespace gerador
