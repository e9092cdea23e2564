#include "common/console.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "common/exceptions.h"
#include "common/run_files.h"

namespace gerador {

namespace {

// The reason of a failed flush whose failure was kept: stdio keeps only the error flag,
// and the next write would find errno at 0.
int gKeptError = 0;

[[noreturn]] void failConsole() {
    int error = errno != 0 ? errno : gKeptError;
    std::string reason = error != 0 ? std::strerror(error) : "motivo desconhecido";
    throw EFileError("não foi possível escrever na saída padrão: " + reason);
}

bool gTransientLineShown = false;

}  // namespace

void showTransientLine(std::string_view text) {
    flushConsoleBeforeStandardError();
    std::string line = "\r\033[K" + std::string(text);
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
    gTransientLineShown = true;
}

void clearTransientLine() {
    if (!gTransientLineShown) return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    gTransientLineShown = false;
}

void printText(std::string_view text) {
    clearTransientLine();
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::ferror(stdout)) failConsole();
}

void flushConsole() {
    errno = 0;
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) failConsole();
}

void flushConsoleBeforeStandardError() {
    errno = 0;
    if (std::fflush(stdout) != 0 && gKeptError == 0) gKeptError = errno;
}

void commitAfterConsole(TRunFiles& files) {
    flushConsole();
    files.commit();
}

std::string closingLinesText(std::int32_t count, std::string_view items) {
    return "   " + std::to_string(count) + " " + std::string(items) +
           " geradas com sucesso.\n   Pressione ENTER para continuar!\n\n\n";
}

void printClosingLines(std::int32_t count, std::string_view items) {
    printText(closingLinesText(count, items));
}

}  // namespace gerador
