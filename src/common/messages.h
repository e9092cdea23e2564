#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace gerador {

// Marks a text for the catalog where it is stored (a table's help text); it is
// translated with tr where a person reads it.
#define N_(text) text

// The languages a console speaks. Portuguese is the text of the message ids themselves.
enum class TLanguage {
    environment,  // as GNU programs choose: LANGUAGE, LC_ALL, LC_MESSAGES, LANG
    portuguese,
    english,
};

// "pt" and "en"; nullopt for any other name.
std::optional<TLanguage> languageNamed(std::string_view name);

// Makes every later message speak language, for the whole process: only the messages'
// locale category is set, so numbers are written the same in every language. Until it is
// first called, messages are the Portuguese ids. Not safe while another thread prints.
void chooseLanguage(TLanguage language);

// msgid in the chosen language. The result lives as long as the process.
const char* tr(const char* msgid) __attribute__((format_arg(1)));
// Who reads a sentence: a person (the chosen language), or the data of a file, which keeps
// the ids' Portuguese so that no file depends on the language.
enum class TTextUse { reader, file };
const char* tr(const char* msgid, TTextUse use) __attribute__((format_arg(1)));
// The form of singular or plural that count takes in the chosen language.
const char* trn(const char* singular, const char* plural, unsigned long count) __attribute__((format_arg(1)))
__attribute__((format_arg(2)));

// A sentence from a printf format (from tr or trn) and its values. Numbers of the console
// use the C locale's forms whatever the language and the process's locale.
std::string textf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// A whole sentence as an error or a warning line shows it: "Erro: <sentence>".
std::string errorText(const std::string& sentence);
std::string warningText(const std::string& sentence);

// Task numbers (indices from 0, shown from 1) as a list: the first named ones, then how
// many more ("1, 4, 9 e mais 3").
std::string taskListText(const std::vector<std::int32_t>& tasks, std::size_t named);

// The folder the catalogs were found in (the build tree's or the installed one); empty
// when none was: then every message stays in Portuguese.
std::string catalogFolder();

}  // namespace gerador
