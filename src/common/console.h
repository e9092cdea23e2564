#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace gerador {

// Prints text on standard output as it is (it may hold '%').
// Throws EFileError when standard output has failed (a closed pipe, a full disk).
void printText(std::string_view text);

// Hands what is buffered to standard output. Throws EFileError when it fails.
void flushConsole();

// The same before a line on standard error, so that it follows the console's lines; a
// failure is not thrown here but kept, with its reason, for the next print or flush.
void flushConsoleBeforeStandardError();

// Shows text as the one line of standard error that is rewritten in place (progress),
// replacing the one shown before; printText clears it first, so that console lines never
// run into it. Failures to write it are ignored: it is only a view.
void showTransientLine(std::string_view text);
void clearTransientLine();

class TRunFiles;

// Checks the console, then commits the files: a console that fails leaves no new file behind.
void commitAfterConsole(TRunFiles& files);

// The two lines that close every generator run: "   <count> <items> geradas com sucesso."
// and the ENTER prompt, which does not wait.
void printClosingLines(std::int32_t count, std::string_view items);
std::string closingLinesText(std::int32_t count, std::string_view items);

}  // namespace gerador
