#include "driver/command_line.h"

#include <cstdio>
#include <cstring>
#include <getopt.h>
#include <optional>
#include <unordered_map>
#include <string_view>
#include <vector>

#include "common/file_encoding.h"
#include "common/messages.h"
#include "common/output_target.h"
#include "driver/series.h"
#include "driver/setting_rules.h"
#include "driver/setting_table.h"
#include "solve/solver.h"

namespace gerador {

namespace {

// getopt_long codes: row i gives kFirstCode + 2i, and its --no- form kFirstCode + 2i + 1.
constexpr int kFirstCode = 1000;

[[noreturn]] void refuse(const std::string& what) {
    throw ECommandLineError(errorText(what) + "\n" + tr("Use 'gerador --help' para ver as opções."));
}

std::string optionWords(const TSettingRow& row) {
    std::string words = row.shortName != 0 ? std::string{'-', row.shortName, ',', ' '} : "";
    words += "--" + std::string(row.name);
    if (row.negatable) words += ", --no-" + std::string(row.name);
    if (row.valueName != nullptr) words += " " + std::string(tr(row.valueName));
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
    opterr = 0;  // our own messages, in the chosen language
    optind = 0;  // a fresh scan, also when called again
    int code = 0;
    while ((code = getopt_long(argc, argv, shortOptions.c_str(), longOptions.data(), nullptr)) != -1) {
        const char* last = argv[optind - 1];
        if (code == '?') refuse(textf(tr("%s: opção desconhecida"), shownWord(last).c_str()));
        if (code == ':') refuse(textf(tr("%s: falta o valor"), shownWord(last).c_str()));
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
                throw EBadValue(
                    textf(tr("esqueceu o nome do arquivo? Um nome que começa com - se escreve ./%s"), value.c_str()));
            }
            row.read(commandLine.settings, value);
        } catch (const EBadValue& error) {
            refuse("--" + std::string(row.name) + " " + shownWord(value) + ": " + error.what());
        }
    }
    if (optind < argc) refuse(textf(tr("%s: argumento inesperado"), shownWord(argv[optind]).c_str()));
    if (std::optional<std::string> problem = settingsProblem(commandLine.settings)) refuse(*problem);
    return commandLine;
}

TLanguage languageOnCommandLine(int argc, char* const argv[]) {
    TLanguage language = TLanguage::environment;
    const std::string_view option = "--language";
    for (int index = 1; index < argc && std::string_view(argv[index]) != "--"; ++index) {
        std::string_view word = argv[index];
        std::optional<TLanguage> named;
        if (word == option && index + 1 < argc) named = languageNamed(argv[index + 1]);
        if (word.starts_with(option) && word.size() > option.size() && word[option.size()] == '=')
            named = languageNamed(word.substr(option.size() + 1));
        if (named) language = *named;
    }
    return language;
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
            refuse(textf(tr("%s %s: este programa foi compilado sem libdeflate"), option.c_str(), shownWord(name).c_str()));
        TOutputTarget target = resolveOutput(name, settings.directory);
        if (target.error != 0) refuse(option + " " + shownWord(name) + ": " + std::strerror(target.error));
        if (target.kind == TOutputTarget::TKind::folder)
            refuse(textf(tr("%s %s: é uma pasta, não um arquivo"), option.c_str(), shownWord(name).c_str()));
        if (!isSharedFile(target)) continue;
        for (const std::string& identity : target.identities) {
            auto [earlier, isNew] = firstWith.emplace(identity, index);
            if (isNew) continue;
            const auto& [earlierOption, earlierName] = outputs[earlier->second];
            refuse(textf(tr("%s %s: é o mesmo arquivo de %s %s"), option.c_str(), shownWord(name).c_str(),
                         earlierOption.c_str(), shownWord(earlierName).c_str()));
        }
    }
}

std::string helpText() {
    TSettings defaults;
    std::string text = tr(
        "Uso: gerador [OPÇÕES]\n"
        "Gera uma instância sintética de escala de tripulações como partição de conjuntos: uma matriz\n"
        "de viagens entre locais, tarefas com horários numa janela de planejamento e, como colunas,\n"
        "cada cadeia de tarefas que uma tripulação pode cumprir, com seu custo, no arquivo\n"
        "150_3304438.txt. Sem opções faz a execução padrão.\n\nOpções (padrão entre parênteses):\n");
    auto addLine = [&text, &defaults](const TSettingRow& row) {
        std::string line = "  " + optionWords(row);
        line += line.size() < 34 ? std::string(34 - line.size(), ' ') : "\n" + std::string(34, ' ');
        std::string help = tr(row.help);
        if (row.member == &kMemberTag<&TSettings::solve> && !solverAvailable()) {
            help += tr(" [indisponível: compilado sem Clp e Cbc]");
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
    text += tr(
        "\nExemplos:\n"
        "  gerador --count 60 --max-tasks 8 --no-wait      uma instância menor\n"
        "  gerador --task-seed 7 --column-seed 7 -C saida  outra semente, gravada em saida/\n"
        "  gerador --no-column-write-file --no-column-echo conta as colunas sem gravá-las\n"
        "  gerador --count 40 --mps i.mps --no-wait        a instância em MPS, que se resolve com\n"
        "                                                  cbc i.mps -solve -quit ou\n"
        "                                                  glpsol --freemps i.mps -w i.sol\n"
        "\nSaída: 0 sucesso, 1 falha durante a execução, 2 linha de comando inválida.\n");
    return text;
}

std::string versionText() {
    return "gerador " GERADOR_VERSION "\n";
}

}  // namespace gerador
