#include "driver/command_line.h"

#include <climits>
#include <charconv>
#include <cmath>
#include <getopt.h>
#include <sys/stat.h>
#include <vector>

#include "columns/column_file.h"
#include "common/exceptions.h"

namespace {

// Why a value was refused; the parser adds the option and the value.
class EBadValue : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

template <typename TNumber>
TNumber wholeNumber(const std::string& text, long long lowest, long long highest) {
    TNumber value{};
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error == std::errc::result_out_of_range) throw EBadValue("número fora do intervalo do tipo");
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        throw EBadValue("não é um número inteiro");
    }
    if (static_cast<long long>(value) < lowest || static_cast<long long>(value) > highest) {
        throw EBadValue("deve ficar entre " + std::to_string(lowest) + " e " + std::to_string(highest));
    }
    return value;
}

std::int32_t int32Of(const std::string& text, long long lowest = INT32_MIN, long long highest = INT32_MAX) {
    return wholeNumber<std::int32_t>(text, lowest, highest);
}

std::uint32_t seedOf(const std::string& text) {
    return wholeNumber<std::uint32_t>(text, 0, UINT32_MAX);
}

double finiteOf(const std::string& text) {
    double value = 0.0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
        throw EBadValue("não é um número finito");
    }
    return value;
}

TDateTime instantOf(const std::string& text) {
    try {
        return dateTimeFromText(text);
    } catch (const EConvertError&) {
        throw EBadValue("não é uma data e hora no formato DD/MM/AAAA HH:MM");
    }
}

TDateTime durationOf(const std::string& text) {
    try {
        return timeFromText(text);
    } catch (const EConvertError&) {
        throw EBadValue("não é uma duração no formato HH:MM");
    }
}

std::string instantText(TDateTime value) {
    return "\"" + textFromDateTime(value, "DD/MM/YYYY HH:mm") + "\"";
}

std::string durationText(TDateTime value) {
    return "\"" + textFromDateTime(value, "HH:mm") + "\"";
}

std::string fileNameOf(const std::string& text) {
    if (text.empty()) throw EBadValue("falta o nome do arquivo");
    return text;
}

TModel modelOf(const std::string& text) {
    if (text == "partition") return TModel::partition;
    if (text == "cover") return TModel::cover;
    throw EBadValue("deve ser partition ou cover");
}

std::string onOff(bool value) {
    return value ? "sim" : "não";
}

// One option: its long name, the name of its value (none for a switch), what it does,
// its default as --help shows it, and how it changes the command line.
struct TOptionSpec {
    const char* name;
    char shortName;         // 0: none
    const char* valueName;  // nullptr: a switch
    const char* description;
    std::string (*defaultText)(const TSettings&);
    void (*apply)(TCommandLine&, const std::string&);
};

// A switch with a --no- form; both set one flag of the settings.
struct TFlagSpec {
    const char* name;
    const char* description;
    bool TSettings::*flag;
};

const TOptionSpec kOptions[] = {
    {"location-count", 0, "N", "número de locais (>= 2)",
     [](const TSettings& s) { return std::to_string(s.locationCount); },
     [](TCommandLine& c, const std::string& v) { c.settings.locationCount = int32Of(v, 2); }},
    {"min-distance", 0, "N", "menor distância sorteada",
     [](const TSettings& s) { return std::to_string(s.minDistance); },
     [](TCommandLine& c, const std::string& v) { c.settings.minDistance = int32Of(v); }},
    {"max-distance", 0, "N", "limite (exclusivo) das distâncias sorteadas",
     [](const TSettings& s) { return std::to_string(s.maxDistance); },
     [](TCommandLine& c, const std::string& v) { c.settings.maxDistance = int32Of(v); }},
    {"cost-factor", 0, "X", "custo por unidade de distância",
     [](const TSettings& s) { return textOfDouble(s.costFactor); },
     [](TCommandLine& c, const std::string& v) { c.settings.costFactor = finiteOf(v); }},
    {"trip-seed", 0, "N", "semente da matriz de viagens (0 a 4294967295)",
     [](const TSettings& s) { return std::to_string(s.tripSeed); },
     [](TCommandLine& c, const std::string& v) { c.settings.tripSeed = seedOf(v); }},
    {"count", 0, "N", "número de tarefas (>= 0)", [](const TSettings& s) { return std::to_string(s.count); },
     [](TCommandLine& c, const std::string& v) { c.settings.count = int32Of(v, 0); }},
    {"depot-count", 0, "N", "número de depósitos (2 até o número de locais)",
     [](const TSettings& s) { return std::to_string(s.depotCount); },
     [](TCommandLine& c, const std::string& v) { c.settings.depotCount = int32Of(v, 2); }},
    {"extra-cost-min", 0, "N", "menor custo extra de uma tarefa",
     [](const TSettings& s) { return std::to_string(s.extraCostMin); },
     [](TCommandLine& c, const std::string& v) { c.settings.extraCostMin = int32Of(v); }},
    {"extra-cost-max", 0, "N", "limite (exclusivo) do custo extra",
     [](const TSettings& s) { return std::to_string(s.extraCostMax); },
     [](TCommandLine& c, const std::string& v) { c.settings.extraCostMax = int32Of(v); }},
    {"task-seed", 0, "N", "semente das tarefas (0 a 4294967295)",
     [](const TSettings& s) { return std::to_string(s.taskSeed); },
     [](TCommandLine& c, const std::string& v) { c.settings.taskSeed = seedOf(v); }},
    {"window-start", 0, "DATA", "início da janela de planejamento, \"DD/MM/AAAA HH:MM\"",
     [](const TSettings& s) { return instantText(s.windowStart); },
     [](TCommandLine& c, const std::string& v) { c.settings.windowStart = instantOf(v); }},
    {"window-end", 0, "DATA", "fim da janela de planejamento", [](const TSettings& s) { return instantText(s.windowEnd); },
     [](TCommandLine& c, const std::string& v) { c.settings.windowEnd = instantOf(v); }},
    {"min-duration", 0, "HH:MM", "menor duração (guardada, não usada no sorteio)",
     [](const TSettings& s) { return durationText(s.minDuration); },
     [](TCommandLine& c, const std::string& v) { c.settings.minDuration = durationOf(v); }},
    {"max-duration", 0, "HH:MM", "as partidas vão até o fim da janela menos esta duração",
     [](const TSettings& s) { return durationText(s.maxDuration); },
     [](TCommandLine& c, const std::string& v) { c.settings.maxDuration = durationOf(v); }},
    {"min-tasks", 0, "N", "uma coluna tem mais tarefas que isto (>= 0)",
     [](const TSettings& s) { return std::to_string(s.minTasks); },
     [](TCommandLine& c, const std::string& v) { c.settings.minTasks = int32Of(v, 0); }},
    {"max-tasks", 0, "N", "uma coluna tem no máximo isto de tarefas (>= 1)",
     [](const TSettings& s) { return std::to_string(s.maxTasks); },
     [](TCommandLine& c, const std::string& v) { c.settings.maxTasks = int32Of(v, 1); }},
    {"accept-percent", 0, "N", "grava uma cadeia oferecida quando um sorteio de 0 a 99 é <= N (0 a 100)",
     [](const TSettings& s) { return std::to_string(s.acceptPercent); },
     [](TCommandLine& c, const std::string& v) { c.settings.acceptPercent = int32Of(v, 0, 100); }},
    {"column-seed", 0, "N", "semente das colunas (0 a 4294967295)",
     [](const TSettings& s) { return std::to_string(s.columnSeed); },
     [](TCommandLine& c, const std::string& v) { c.settings.columnSeed = seedOf(v); }},
    {"mps", 0, "ARQUIVO", "grava também a instância em MPS livre, para solvers",
     [](const TSettings&) { return std::string("não grava"); },
     [](TCommandLine& c, const std::string& v) { c.settings.mpsFileName = fileNameOf(v); }},
    {"model", 0, "MODELO", "linhas do arquivo de --mps: partition (cada tarefa exatamente uma vez) ou cover (ao menos uma)",
     [](const TSettings& s) { return std::string(s.model == TModel::partition ? "partition" : "cover"); },
     [](TCommandLine& c, const std::string& v) { c.settings.model = modelOf(v); }},
    {"orlib", 0, "ARQUIVO", "grava também a instância no formato OR-Library de partição de conjuntos",
     [](const TSettings&) { return std::string("não grava"); },
     [](TCommandLine& c, const std::string& v) { c.settings.orlibFileName = fileNameOf(v); }},
    {"report", 0, "ARQUIVO", "grava um relatório da instância em JSON e resume-o no console",
     [](const TSettings&) { return std::string("não grava"); },
     [](TCommandLine& c, const std::string& v) { c.settings.reportFileName = fileNameOf(v); }},
    {"svg", 0, "ARQUIVO", "grava uma figura da instância em SVG",
     [](const TSettings&) { return std::string("não grava"); },
     [](TCommandLine& c, const std::string& v) { c.settings.svgFileName = fileNameOf(v); }},
    {"directory", 'C', "PASTA", "pasta onde os arquivos são gravados (deve existir)",
     [](const TSettings&) { return std::string("a pasta atual"); },
     [](TCommandLine& c, const std::string& v) {
         struct stat status {};
         if (v.empty() || stat(v.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
             throw EBadValue("a pasta não existe");
         }
         c.directory = v;
     }},
    {"no-wait", 0, nullptr, "não espera por um caractere na entrada ao final",
     [](const TSettings&) { return std::string("espera"); },
     [](TCommandLine& c, const std::string&) { c.waitForKey = false; }},
    {"help", 'h', nullptr, "mostra esta ajuda", [](const TSettings&) { return std::string(); },
     [](TCommandLine& c, const std::string&) { c.action = TCommandLine::TAction::help; }},
    {"version", 0, nullptr, "mostra a versão", [](const TSettings&) { return std::string(); },
     [](TCommandLine& c, const std::string&) { c.action = TCommandLine::TAction::version; }},
};

const TFlagSpec kFlags[] = {
    {"trip-write-file", "grava arquivos/viagens.txt", &TSettings::tripWriteFile},
    {"trip-echo", "mostra a matriz de viagens", &TSettings::tripEcho},
    {"task-write-file", "grava arquivos/tarefas.txt", &TSettings::taskWriteFile},
    {"task-echo", "mostra as tarefas", &TSettings::taskEcho},
    {"column-write-file", "grava o arquivo de colunas 150_3304438.txt", &TSettings::columnWriteFile},
    {"column-echo", "mostra cada 10000ª coluna", &TSettings::columnEcho},
};

constexpr int kFirstFlagCode = 1000;  // getopt_long codes of the flags; the options use their index

const char* const kPointToHelp = "Use 'gerador --help' para ver as opções.";

std::string optionWords(const TOptionSpec& option) {
    std::string words = option.shortName != 0 ? std::string{'-', option.shortName, ',', ' '} : "";
    words += "--" + std::string(option.name);
    if (option.valueName != nullptr) words += " " + std::string(option.valueName);
    return words;
}

int optionWithShortName(char shortName) {
    int index = 0;
    while (kOptions[index].shortName != shortName) ++index;
    return index;
}

// Two outputs of one run under one name would leave only the last one written.
void refuseSharedOutputs(const TSettings& settings) {
    std::vector<std::pair<std::string, std::string>> outputs;  // option, file name
    if (settings.columnWriteFile) outputs.emplace_back("--column-write-file", kColumnFileName);
    if (!settings.mpsFileName.empty()) outputs.emplace_back("--mps", settings.mpsFileName);
    if (!settings.orlibFileName.empty()) outputs.emplace_back("--orlib", settings.orlibFileName);
    if (!settings.reportFileName.empty()) outputs.emplace_back("--report", settings.reportFileName);
    if (!settings.svgFileName.empty()) outputs.emplace_back("--svg", settings.svgFileName);
    for (std::size_t later = 1; later < outputs.size(); ++later) {
        for (std::size_t earlier = 0; earlier < later; ++earlier) {
            if (outputs[later].second != outputs[earlier].second) continue;
            throw ECommandLineError("Erro: " + outputs[later].first + " " + outputs[later].second +
                                    ": é o mesmo arquivo de " + outputs[earlier].first + "\n" + kPointToHelp);
        }
    }
}

}  // namespace

TCommandLine parseCommandLine(int argc, char* const argv[]) {
    std::vector<option> longOptions;
    constexpr int kOptionCount = static_cast<int>(std::size(kOptions));
    for (int index = 0; index < kOptionCount; ++index) {
        longOptions.push_back({kOptions[index].name, kOptions[index].valueName ? required_argument : no_argument,
                               nullptr, index});
    }
    std::vector<std::string> negatedNames;
    for (const TFlagSpec& flag : kFlags) negatedNames.push_back("no-" + std::string(flag.name));
    for (int index = 0; index < static_cast<int>(std::size(kFlags)); ++index) {
        longOptions.push_back({kFlags[index].name, no_argument, nullptr, kFirstFlagCode + 2 * index});
        longOptions.push_back({negatedNames[static_cast<std::size_t>(index)].c_str(), no_argument, nullptr,
                               kFirstFlagCode + 2 * index + 1});
    }
    longOptions.push_back({nullptr, 0, nullptr, 0});

    TCommandLine commandLine;
    opterr = 0;  // our own messages, in Portuguese
    optind = 0;  // a fresh scan, also when called again
    int code = 0;
    while ((code = getopt_long(argc, argv, "+:C:h", longOptions.data(), nullptr)) != -1) {
        const char* last = argv[optind - 1];
        if (code == '?') throw ECommandLineError("Erro: " + std::string(last) + ": opção desconhecida\n" + kPointToHelp);
        if (code == ':') throw ECommandLineError("Erro: " + std::string(last) + ": falta o valor\n" + kPointToHelp);
        if (code == 'C' || code == 'h') code = optionWithShortName(static_cast<char>(code));
        if (code >= kFirstFlagCode) {
            const TFlagSpec& flag = kFlags[(code - kFirstFlagCode) / 2];
            commandLine.settings.*flag.flag = (code - kFirstFlagCode) % 2 == 0;
            continue;
        }
        const TOptionSpec& chosen = kOptions[code];
        std::string value = optarg != nullptr ? optarg : "";
        try {
            chosen.apply(commandLine, value);
        } catch (const EBadValue& error) {
            throw ECommandLineError("Erro: --" + std::string(chosen.name) + " " + value + ": " + error.what() + "\n" +
                                    kPointToHelp);
        }
    }
    if (optind < argc) {
        throw ECommandLineError("Erro: " + std::string(argv[optind]) + ": argumento inesperado\n" + kPointToHelp);
    }
    const TSettings& settings = commandLine.settings;
    if (settings.depotCount > settings.locationCount) {
        throw ECommandLineError("Erro: --depot-count " + std::to_string(settings.depotCount) +
                                ": deve ficar entre 2 e o número de locais, " + std::to_string(settings.locationCount) +
                                "\n" + kPointToHelp);
    }
    if (settings.model == TModel::cover && settings.mpsFileName.empty()) {
        throw ECommandLineError("Erro: --model cover: só vale para o arquivo de --mps, que não foi pedido\n" +
                                std::string(kPointToHelp));
    }
    refuseSharedOutputs(settings);
    return commandLine;
}

std::string helpText() {
    TSettings defaults;
    std::string text =
        "Uso: gerador [OPÇÕES]\n"
        "Gera uma instância sintética de escala de tripulações como partição de conjuntos: uma matriz\n"
        "de viagens entre locais, tarefas com horários numa janela de planejamento e, como colunas,\n"
        "cada cadeia de tarefas que uma tripulação pode cumprir, com seu custo, no arquivo\n"
        "150_3304438.txt. Sem opções faz a execução padrão.\n\nOpções (padrão entre parênteses):\n";
    auto addLine = [&text](const std::string& words, const std::string& description) {
        std::string line = "  " + words;
        line += line.size() < 34 ? std::string(34 - line.size(), ' ') : "\n" + std::string(34, ' ');
        text += line + description + "\n";
    };
    for (const TOptionSpec& option : kOptions) {
        std::string byDefault = option.defaultText(defaults);
        addLine(optionWords(option), std::string(option.description) + (byDefault.empty() ? "" : " (" + byDefault + ")"));
    }
    for (const TFlagSpec& flag : kFlags) {
        addLine("--" + std::string(flag.name) + ", --no-" + flag.name,
                std::string(flag.description) + " (" + onOff(defaults.*flag.flag) + ")");
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
