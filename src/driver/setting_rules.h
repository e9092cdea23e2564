#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "driver/settings.h"

namespace gerador {

// A rule between settings that are valid alone but not together. The command line and
// every binding read the one table, so they refuse the same settings with the same words.
struct TSettingRule {
    const char* keeps;  // what the rule keeps, for a reader of the table
    // What is wrong, in the command line's words ("--model cover: só vale com ..."), when
    // settings break the rule; empty when they keep it.
    std::string (*problem)(const TSettings&);
};

// Every rule, in the order they are checked.
std::span<const TSettingRule> settingRules();

// The problem of the first rule settings break; none when they keep every rule.
std::optional<std::string> settingsProblem(const TSettings& settings);

// Every file the run would write: the option that asks for it and its name.
std::vector<std::pair<std::string, std::string>> outputsOf(const TSettings& settings);

// A word as a message can show it: bytes that are not UTF-8 or that control the terminal
// escaped as \xHH, and a long word cut short with its length.
std::string shownWord(std::string_view word);

}  // namespace gerador
