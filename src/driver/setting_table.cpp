#include "driver/setting_table.h"

#include <charconv>
#include <climits>
#include <cctype>
#include <cmath>
#include <optional>
#include <sys/stat.h>
#include <type_traits>

#include <nlohmann/json.hpp>

#include "columns/column_file.h"
#include "columns/columns.h"
#include "common/decimal_text.h"
#include "common/exceptions.h"
#include "common/messages.h"
#include "tasks/tasks.h"
#include "trips/trips.h"

namespace gerador {

namespace {

// Kinds of value: how an option reads one, how --help and the report show it.

template <long long kLowest, long long kHighest, typename TNumber = std::int32_t>
struct TWhole {
    using TValue = TNumber;
    static TValue read(const std::string& text) {
        TValue value{};
        auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error == std::errc::result_out_of_range) throw EBadValue(tr("número fora do intervalo do tipo"));
        if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
            throw EBadValue(tr("não é um número inteiro"));
        }
        if (static_cast<long long>(value) < kLowest || static_cast<long long>(value) > kHighest) {
            throw EBadValue(textf(tr("deve ficar entre %lld e %lld"), kLowest, kHighest));
        }
        return value;
    }
    static std::string shown(TValue value) { return std::to_string(value); }
    static nlohmann::ordered_json json(TValue value) { return value; }
};

using TInt32 = TWhole<INT32_MIN, INT32_MAX>;
using TSeed = TWhole<0, UINT32_MAX, std::uint32_t>;

struct TFinite {
    using TValue = double;
    static TValue read(const std::string& text) {
        std::optional<double> value = decimalOfText(text);
        // No leading '+', and digits too small for any double are refused rather than read as 0.
        bool underflows = value == 0.0 && text.find_first_of("123456789") < text.find_first_of("eE");
        if (!value || text.front() == '+' || !std::isfinite(*value) || underflows) {
            throw EBadValue(tr("não é um número finito"));
        }
        return *value;
    }
    static std::string shown(TValue value) { return textOfDouble(value); }
    static nlohmann::ordered_json json(TValue value) { return value; }
};

struct TInstant {
    using TValue = TDateTime;
    static TValue read(const std::string& text) {
        try {
            return dateTimeFromText(text);
        } catch (const EConvertError&) {
            throw EBadValue(tr("não é uma data e hora no formato DD/MM/AAAA HH:MM"));
        }
    }
    static std::string text(TValue value) { return textFromDateTime(value, "DD/MM/YYYY HH:mm"); }
    static std::string shown(TValue value) { return "\"" + text(value) + "\""; }
    static nlohmann::ordered_json json(TValue value) { return isoInstant(value); }
};

struct TDuration {
    using TValue = TDateTime;
    static TValue read(const std::string& text) {
        try {
            return timeFromText(text);
        } catch (const EConvertError&) {
            throw EBadValue(tr("não é uma duração no formato HH:MM"));
        }
    }
    static std::string text(TValue value) { return textFromDateTime(value, "HH:mm"); }
    static std::string shown(TValue value) { return "\"" + text(value) + "\""; }
    static nlohmann::ordered_json json(TValue value) { return isoDuration(value); }
};

// A yes-or-no setting; its switch gives "sim", the --no- form "não".
struct TYesNo {
    using TValue = bool;
    static TValue read(const std::string& text) { return text == "sim"; }
    static std::string shown(TValue value) { return value ? tr("sim") : tr("não"); }
    static nlohmann::ordered_json json(TValue value) { return value; }
};

struct TWait : TYesNo {
    static std::string shown(TValue value) { return value ? tr("espera") : tr("não espera"); }
};

struct TFileName {
    using TValue = std::string;
    static constexpr bool kNamesOutput = true;
    static TValue read(const std::string& text) {
        if (text.empty()) throw EBadValue(tr("falta o nome do arquivo"));
        return text;
    }
    static std::string shown(const TValue& value) { return value.empty() ? tr("não grava") : value; }
    static nlohmann::ordered_json json(const TValue& value) {
        return value.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(value);
    }
};

struct TSeconds {
    using TValue = double;
    // About 115 days: a longer limit is a mistyped one.
    static constexpr long long kMost = 10000000;
    static TValue read(const std::string& text) {
        double value = TFinite::read(text);
        // No limit is not offered: a solve of a large instance would never end.
        if (value <= 0) throw EBadValue(tr("deve ser positivo"));
        if (value > kMost) throw EBadValue(textf(tr("deve ser no máximo %lld"), kMost));
        return value;
    }
    static std::string shown(TValue value) { return textOfDouble(value); }
    static nlohmann::ordered_json json(TValue value) { return value; }
};

// A file the run reads.
struct TInputFile {
    using TValue = std::string;
    static TValue read(const std::string& text) {
        struct stat status {};
        if (text.empty() || stat(text.c_str(), &status) != 0) throw EBadValue(tr("o arquivo não existe"));
        if (S_ISDIR(status.st_mode)) throw EBadValue(tr("é uma pasta, não um arquivo"));
        if (!S_ISREG(status.st_mode)) throw EBadValue(tr("não é um arquivo comum (é um pipe, um socket ou um dispositivo)"));
        return text;
    }
    static std::string shown(const TValue& value) { return value.empty() ? tr("não confere") : value; }
    static nlohmann::ordered_json json(const TValue& value) { return value; }
};

struct TFolder {
    using TValue = std::string;
    static TValue read(const std::string& text) {
        struct stat status {};
        if (text.empty()) throw EBadValue(tr("falta o nome da pasta"));
        // A folder that does not exist yet is made, with its parents, when the run starts.
        if (stat(text.c_str(), &status) == 0 && !S_ISDIR(status.st_mode)) throw EBadValue(tr("não é uma pasta"));
        return text;
    }
    static std::string shown(const TValue& value) { return value.empty() ? tr("a pasta atual") : value; }
    static nlohmann::ordered_json json(const TValue& value) { return value; }
};

// A cost that the run works out unless it is given.
struct TGivenCost {
    using TValue = std::optional<std::int64_t>;
    static TValue read(const std::string& text) {
        // Costs of 10^9 at most keep the cost of every slack of millions of tasks exact in a
        // double, as the solvers hold it (from 10^12 Cbc refused its own start solution).
        return TWhole<1, 1'000'000'000, std::int64_t>::read(text);
    }
    static std::string shown(const TValue& value) { return value ? std::to_string(*value) : tr("calculado"); }
    static nlohmann::ordered_json json(const TValue& value) {
        return value ? nlohmann::ordered_json(*value) : nlohmann::ordered_json(nullptr);
    }
};

struct TColumnLimit : TWhole<0, INT32_MAX> {
    static std::string shown(TValue value) { return value == INT32_MAX ? tr("sem limite") : std::to_string(value); }
};

struct TThreadCount : TWhole<0, 1024> {
    static std::string shown(TValue value) { return value == 0 ? tr("os núcleos disponíveis") : std::to_string(value); }
};

// Yes, no, or decided by the run when not given.
struct TYesNoAuto {
    using TValue = std::optional<bool>;
    static TValue read(const std::string& text) { return text == "sim"; }
    static std::string shown(const TValue& value) {
        return value ? TYesNo::shown(*value) : tr("se a saída de erro é um terminal");
    }
    static nlohmann::ordered_json json(const TValue& value) {
        return value ? nlohmann::ordered_json(*value) : nlohmann::ordered_json(nullptr);
    }
};

// How many instances a series writes; 0: one, not as a series.
struct TSeriesCount : TWhole<0, 9999> {
    static std::string shown(TValue value) { return value == 0 ? tr("não") : std::to_string(value); }
};

// "K/N": part K of N of a series.
struct TShardPart {
    using TValue = TShard;
    static TValue read(const std::string& text) {
        std::size_t slash = text.find('/');
        if (slash == std::string::npos) throw EBadValue(tr("deve ser K/N, com 1 <= K <= N"));
        TShard shard{TWhole<1, 9999>::read(text.substr(0, slash)), TWhole<1, 9999>::read(text.substr(slash + 1))};
        if (shard.index > shard.count) throw EBadValue(tr("deve ser K/N, com 1 <= K <= N"));
        return shard;
    }
    static std::string shown(const TValue& value) {
        return value.count == 0 ? tr("toda a série") : std::to_string(value.index) + "/" + std::to_string(value.count);
    }
    static nlohmann::ordered_json json(const TValue& value) { return shown(value); }
};

struct TModelName {
    using TValue = TModel;
    static TValue read(const std::string& text) {
        std::optional<TModel> model = modelNamed(text);
        if (!model) throw EBadValue(tr("deve ser partition, cover ou elastic"));
        return *model;
    }
    static std::string shown(TValue value) { return std::string(modelName(value)); }
    static nlohmann::ordered_json json(TValue value) { return modelName(value); }
};

// The messages' language; not given, the environment's.
struct TLanguageName {
    using TValue = TLanguage;
    static TValue read(const std::string& text) {
        std::optional<TLanguage> language = languageNamed(text);
        if (!language) throw EBadValue(tr("deve ser pt ou en"));
        return *language;
    }
    static std::string shown(TValue value) {
        return value == TLanguage::portuguese ? "pt" : value == TLanguage::english ? "en" : tr("a do ambiente");
    }
    static nlohmann::ordered_json json(TValue value) { return shown(value); }
};

template <typename TOwner, typename TValue>
TOwner ownerOfField(TValue TOwner::*);

template <auto kMember, auto kField>
void applyField(const TSettings& settings, TStageObjects& stages) {
    using TOwner = decltype(ownerOfField(kField));
    if constexpr (std::is_same_v<TOwner, TViagens>) {
        stages.trips.*kField = settings.*kMember;
    } else if constexpr (std::is_same_v<TOwner, TTarefas>) {
        stages.tasks.*kField = settings.*kMember;
    } else {
        static_assert(std::is_same_v<TOwner, TColunas>);
        stages.columns.*kField = settings.*kMember;
    }
}

template <typename TKind>
constexpr bool kNamesOutput = requires { TKind::kNamesOutput; };

// A setting that takes a value; kField is the generator's field it goes to, if any.
template <auto kMember, typename TKind, auto kField = nullptr>
constexpr TSettingRow setting(const char* name, const char* valueName, const char* byDefault, const char* help) {
    TSettingRow row{};
    row.name = name;
    row.valueName = valueName;
    row.help = help;
    row.byDefault = byDefault;
    row.reported = true;
    row.read = [](TSettings& settings, const std::string& text) { settings.*kMember = TKind::read(text); };
    row.shown = [](const TSettings& settings) { return TKind::shown(settings.*kMember); };
    row.json = [](const TSettings& settings) { return TKind::json(settings.*kMember); };
    row.member = &kMemberTag<kMember>;
    if constexpr (!std::is_same_v<decltype(kField), std::nullptr_t>) row.apply = &applyField<kMember, kField>;
    if constexpr (kNamesOutput<TKind>) row.outputFile = kMember;
    return row;
}

// A yes-or-no setting with a --no- form.
template <auto kMember, auto kField = nullptr>
constexpr TSettingRow flag(const char* name, const char* byDefault, const char* help) {
    TSettingRow row = setting<kMember, TYesNo, kField>(name, nullptr, byDefault, help);
    row.switchValue = "sim";
    row.negatable = true;
    return row;
}

// A flag that writes the file writesFile names.
template <auto kMember>
constexpr TSettingRow fileFlag(const char* name, const char* byDefault, const char* help,
                               std::string (*writesFile)(const TSettings&), const char* writesFileOption = nullptr) {
    TSettingRow row = flag<kMember>(name, byDefault, help);
    row.writesFlag = kMember;
    row.writesFile = writesFile;
    row.writesFileOption = writesFileOption;
    return row;
}

// An option of the command line, not of the instance: not in the report.
constexpr TSettingRow unreported(TSettingRow row, char shortName = 0) {
    row.reported = false;
    row.shortName = shortName;
    return row;
}

constexpr TSettingRow action(const char* name, char shortName, const char* help, TOptionAction action) {
    TSettingRow row{};
    row.name = name;
    row.shortName = shortName;
    row.help = help;
    row.action = action;
    return row;
}

using S = TSettings;

constexpr TSettingRow kRows[] = {
    // The trip matrix holds N x N trips: 10,000 locations take 1.6 GB and seconds to draw.
    setting<&S::locationCount, TWhole<2, 10000>, &TViagens::locationCount>("location-count", "N", "10",
                                                                           N_("número de locais (2 a 10000)")),
    setting<&S::minDistance, TInt32, &TViagens::minDistance>("min-distance", "N", "100", N_("menor distância sorteada")),
    setting<&S::maxDistance, TInt32, &TViagens::maxDistance>("max-distance", "N", "1500",
                                                             N_("limite (exclusivo) das distâncias sorteadas")),
    setting<&S::costFactor, TFinite, &TViagens::costFactor>("cost-factor", "X", "0.25",
                                                            N_("custo por unidade de distância")),
    setting<&S::tripSeed, TSeed, &TViagens::seed>("trip-seed", "N", "0",
                                                  N_("semente da matriz de viagens (0 a 4294967295)")),
    fileFlag<&S::tripWriteFile>("trip-write-file", "não", N_("grava arquivos/viagens.txt"),
                                [](const TSettings&) { return std::string(kTripFileName); }),
    flag<&S::tripEcho>("trip-echo", "não", N_("mostra a matriz de viagens")),
    setting<&S::count, TWhole<0, INT32_MAX>, &TTarefas::count>("count", "N", "150", N_("número de tarefas (>= 0)")),
    setting<&S::depotCount, TWhole<2, INT32_MAX>, &TTarefas::depotCount>(
        "depot-count", "N", "3", N_("número de depósitos (2 até o número de locais)")),
    setting<&S::extraCostMin, TInt32, &TTarefas::extraCostMin>("extra-cost-min", "N", "0",
                                                               N_("menor custo extra de uma tarefa")),
    setting<&S::extraCostMax, TInt32, &TTarefas::extraCostMax>("extra-cost-max", "N", "30",
                                                               N_("limite (exclusivo) do custo extra")),
    setting<&S::taskSeed, TSeed, &TTarefas::seed>("task-seed", "N", "0", N_("semente das tarefas (0 a 4294967295)")),
    flag<&S::plant, &TTarefas::plant>(
        "plant", "não",
        N_("sorteia as tarefas como jornadas de tripulação, que formam uma partição exata; sem ligar as primeiras e "
        "as últimas tarefas a depósitos; as jornadas são gravadas qualquer que seja o sorteio de --accept-percent")),
    setting<&S::windowStart, TInstant, &TTarefas::windowStart>(
        "window-start", N_("DATA"), "01/01/2006 08:00", N_("início da janela de planejamento, \"DD/MM/AAAA HH:MM\"")),
    setting<&S::windowEnd, TInstant, &TTarefas::windowEnd>("window-end", N_("DATA"), "04/01/2006 08:00",
                                                           N_("fim da janela de planejamento")),
    setting<&S::minDuration, TDuration, &TTarefas::minDuration>("min-duration", "HH:MM", "01:00",
                                                                N_("menor duração (guardada, não usada no sorteio)")),
    setting<&S::maxDuration, TDuration, &TTarefas::maxDuration>(
        "max-duration", "HH:MM", "09:01", N_("as partidas vão até o fim da janela menos esta duração")),
    fileFlag<&S::taskWriteFile>("task-write-file", "não", N_("grava arquivos/tarefas.txt"),
                                [](const TSettings&) { return std::string(kTaskFileName); }),
    flag<&S::taskEcho>("task-echo", "não", N_("mostra as tarefas")),
    setting<&S::minTasks, TWhole<0, INT32_MAX>, &TColunas::minTasks>("min-tasks", "N", "2",
                                                                     N_("uma coluna tem mais tarefas que isto (>= 0)")),
    setting<&S::maxTasks, TWhole<1, INT32_MAX>, &TColunas::maxTasks>("max-tasks", "N", "13",
                                                                     N_("uma coluna tem no máximo isto de tarefas (>= 1)")),
    setting<&S::acceptPercent, TWhole<0, 100>, &TColunas::acceptPercent>(
        "accept-percent", "N", "100", N_("grava uma cadeia oferecida quando um sorteio de 0 a 99 é <= N (0 a 100)")),
    setting<&S::columnSeed, TSeed, &TColunas::seed>("column-seed", "N", "0", N_("semente das colunas (0 a 4294967295)")),
    fileFlag<&S::columnWriteFile>("column-write-file", "sim", N_("grava o arquivo de colunas"),
                                  [](const TSettings& settings) { return settings.columnFileName; }, "column-file"),
    [] {
        // The file is the flag's output; the name alone writes nothing.
        TSettingRow row = setting<&S::columnFileName, TFileName>("column-file", N_("ARQUIVO"), kColumnFileName,
                                                                  N_("nome do arquivo de colunas"));
        row.outputFile = nullptr;
        return row;
    }(),
    flag<&S::columnEcho>("column-echo", "sim", N_("mostra cada 10000ª coluna")),
    setting<&S::maxColumns, TColumnLimit, &TColunas::maxColumns>(
        "max-columns", "N", "2147483647", N_("interrompe a execução, sem gravar nada, antes de passar de N colunas")),
    setting<&S::threads, TThreadCount, &TColunas::threads>(
        "threads", "N", "0", N_("linhas de execução da busca de colunas; os arquivos são os mesmos com qualquer número")),
    setting<&S::mpsFileName, TFileName>("mps", N_("ARQUIVO"), "", N_("grava também a instância em MPS livre, para solvers")),
    setting<&S::model, TModelName>("model", N_("MODELO"), "partition",
                                   N_("modelo do arquivo de --mps: partition (cada tarefa exatamente uma vez), cover "
                                   "(ao menos uma) ou elastic (exatamente uma, ou uma folga S<n> paga)")),
    setting<&S::uncoveredCost, TGivenCost>("uncovered-cost", "N", "",
                                           N_("custo de cada folga do modelo elastic (calculado: alto o bastante para "
                                           "que o ótimo não use folga quando há partição exata)")),
    setting<&S::orlibFileName, TFileName>("orlib", N_("ARQUIVO"), "",
                                          N_("grava também a instância no formato OR-Library de partição de conjuntos")),
    setting<&S::solutionFileName, TFileName>("solution", N_("ARQUIVO"), "",
                                             N_("grava uma solução no formato MIPLIB (=obj= e C<n> 1): a melhor de "
                                             "--solve, ou a partição plantada de --plant")),
    flag<&S::solve>("solve", "não",
                    N_("resolve a instância no modelo de --model: limite do LP sobre todas as colunas, por geração de "
                    "colunas (Clp), e uma solução inteira (Cbc)")),
    setting<&S::solveSeconds, TSeconds>("solve-seconds", "S", "60",
                                        N_("segundos que --solve pode levar, o LP incluído; esgotados, fica o que foi "
                                        "provado (um limite de Lagrange, a melhor solução)")),
    setting<&S::solveTraceFileName, TFileName>("solve-trace", N_("ARQUIVO"), "",
                                               N_("grava uma linha JSON por passada de preço de --solve: passada, "
                                               "segundos, objetivo do mestre, colunas, menor custo reduzido, limite")),
    unreported(setting<&S::checkSolutionFileName, TInputFile>(
        "check-solution", N_("ARQUIVO"), "",
        N_("confere uma solução (MIPLIB, cbc -solu ou glpsol -w) contra a instância destas opções, sem gravar nada; "
        "saída 0 se ela é válida e seu custo confere"))),
    setting<&S::tasksCsvFileName, TFileName>("tasks-csv", N_("ARQUIVO"), "",
                                             N_("grava as tarefas numa tabela CSV, com cabeçalho")),
    setting<&S::tripsCsvFileName, TFileName>("trips-csv", N_("ARQUIVO"), "",
                                             N_("grava as viagens (cada par de locais) numa tabela CSV, com cabeçalho")),
    setting<&S::reportFileName, TFileName>("report", N_("ARQUIVO"), "",
                                           N_("grava um relatório da instância em JSON e resume-o no console")),
    setting<&S::svgFileName, TFileName>("svg", N_("ARQUIVO"), "", N_("grava uma figura da instância em SVG")),
    unreported(setting<&S::directory, TFolder>("directory", N_("PASTA"), "",
                                               N_("pasta onde os arquivos são gravados, criada se preciso")),
               'C'),
    setting<&S::seriesCount, TSeriesCount>("series", "N", "0",
                                           N_("grava N instâncias, nas pastas 001, 002, ...: a k-ésima soma k - 1 às três "
                                           "sementes; e um manifesto, manifest.csv e manifest.json (0 a 9999; 0: uma instância, sem "
                                           "série)")),
    unreported(setting<&S::shard, TShardPart>(
        "shard", "K/N", "",
        N_("faz só as instâncias k da série com k = K (módulo N), sem manifesto; partes podem ir ao mesmo tempo, "
        "em máquinas diferentes, e --merge junta-as"))),
    unreported(flag<&S::resume>("resume", "sim",
                                N_("numa série, mantém as instâncias cujo registro (NNN/instance.json) e arquivos "
                                "conferem, e faz as demais"))),
    unreported(setting<&S::mergeFolder, TFolder>(
        "merge", N_("PASTA"), "",
        N_("confere as instâncias de uma série feita em partes (com as opções da série) e grava o manifesto; "
        "não gera nada; saída 1 se falta ou está danificada alguma"))),
    [] {
        TSettingRow row = unreported(setting<&S::waitForKey, TWait>(
            "no-wait", nullptr, "sim", N_("não espera por um caractere na entrada ao final")));
        row.switchValue = "não";
        return row;
    }(),
    [] {
        TSettingRow row = unreported(setting<&S::progress, TYesNoAuto>(
            "progress", nullptr, "", N_("mostra o andamento de execuções longas numa linha da saída de erro")));
        row.switchValue = "sim";
        row.negatable = true;
        return row;
    }(),
    unreported(setting<&S::language, TLanguageName>(
        "language", N_("LÍNGUA"), "",
        N_("língua das mensagens, pt ou en; os arquivos são os mesmos em qualquer uma (sem a opção: LANGUAGE, "
           "LC_ALL, LC_MESSAGES ou LANG)"))),
    action("help", 'h', N_("mostra esta ajuda"), TOptionAction::help),
    action("version", 0, N_("mostra a versão"), TOptionAction::version),
};

}  // namespace

TSettings::TSettings() {
    for (const TSettingRow& row : kRows) {
        // An empty default (no file, the working folder) is the value-initialised member.
        if (row.read != nullptr && row.byDefault != nullptr && *row.byDefault != '\0') row.read(*this, row.byDefault);
    }
}

std::span<const TSettingRow> settingRows() {
    return kRows;
}

std::string optionNamed(const void* memberTag) {
    for (const TSettingRow& row : kRows) {
        if (row.member == memberTag) return "--" + std::string(row.name);
    }
    return "--?";
}

void applySettings(const TSettings& settings, TViagens& trips, TTarefas& tasks, TColunas& columns) {
    TStageObjects stages{trips, tasks, columns};
    for (const TSettingRow& row : kRows) {
        if (row.apply != nullptr) row.apply(settings, stages);
    }
}

std::string camelCase(const std::string& optionName) {
    std::string key;
    for (std::size_t at = 0; at < optionName.size(); ++at) {
        if (optionName[at] == '-' && at + 1 < optionName.size()) {
            key += static_cast<char>(std::toupper(static_cast<unsigned char>(optionName[++at])));
        } else {
            key += optionName[at];
        }
    }
    return key;
}

nlohmann::ordered_json settingsJson(const TSettings& settings) {
    nlohmann::ordered_json json = nlohmann::ordered_json::object();
    for (const TSettingRow& row : kRows) {
        if (row.reported) json[camelCase(row.name)] = row.json(settings);
    }
    return json;
}

}  // namespace gerador
