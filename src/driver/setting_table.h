#pragma once

#include <span>
#include <stdexcept>
#include <string>

#include <nlohmann/json_fwd.hpp>

#include "driver/settings.h"

namespace gerador {

class TViagens;
class TTarefas;
class TColunas;

// The generators a run's settings go to.
struct TStageObjects {
    TViagens& trips;
    TTarefas& tasks;
    TColunas& columns;
};

// Why an option's value was refused; the command line adds the option and the value.
class EBadValue : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What an option does besides setting a value.
enum class TOptionAction { none, help, version };

// One setting, or one option that is not a setting (--help): the only place that names
// it. Parsing, --help, the report's settings and the generators' fields all read it.
struct TSettingRow {
    const char* name;       // the long option, without "--"
    char shortName;         // 0: none
    const char* valueName;  // what --help calls the value; nullptr: a switch that takes none
    const char* help;
    const char* byDefault;  // the standard run's value, as read() takes it; nullptr: no value
    // A switch's value when given: "sim" for a flag, which also has a --no- form ("não").
    const char* switchValue;
    bool negatable;                      // a flag: --name and --no-name
    bool reported;                       // in the report's settings
    TOptionAction action;
    // Reads the value's text into settings. Throws EBadValue.
    void (*read)(TSettings&, const std::string&);
    // The value as --help shows it.
    std::string (*shown)(const TSettings&);
    // The value as the report gives it.
    nlohmann::ordered_json (*json)(const TSettings&);
    // Copies the value into the field of the generator that uses it; nullptr when none does.
    void (*apply)(const TSettings&, TStageObjects&);
    // The file name the setting holds; nullptr when it names no output file.
    const std::string TSettings::*outputFile;
    // A flag that writes a file: the flag, and the file's name (fixed, or another setting's).
    bool TSettings::*writesFlag;
    std::string (*writesFile)(const TSettings&);
    // The option that names that file, when another one does ("column-file"); nullptr: this one.
    const char* writesFileOption;
    const void* member;  // identifies the setting's member, for optionOf
};

// A tag per member of TSettings, so that code can name a setting's option without
// spelling it: optionOf<&TSettings::model>() is "--model".
template <auto kMember>
inline constexpr char kMemberTag = 0;
std::string optionNamed(const void* memberTag);
template <auto kMember>
std::string optionOf() {
    return optionNamed(&kMemberTag<kMember>);
}

// Every row, in the order --help and the report list them.
std::span<const TSettingRow> settingRows();

// Copies the settings into the fields of the three generators.
void applySettings(const TSettings& settings, TViagens& trips, TTarefas& tasks, TColunas& columns);

// Every reported setting, keyed by the name of its option in camelCase ("locationCount"),
// as the report's other keys.
nlohmann::ordered_json settingsJson(const TSettings& settings);

// An option's name as a key in camelCase: "location-count" gives "locationCount".
std::string camelCase(const std::string& optionName);

}  // namespace gerador
