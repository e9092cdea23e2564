#include "common/console.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "common/exceptions.h"
#include "common/messages.h"
#include "common/run_files.h"

namespace gerador {

namespace {

class TStandardConsole : public TConsole {
public:
    void print(std::string_view text) override {
        clearTransient();
        errno = 0;
        if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::ferror(stdout)) fail();
    }

    void flush() override {
        errno = 0;
        if (std::fflush(stdout) != 0 || std::ferror(stdout)) fail();
    }

    void message(std::string_view line) override {
        flushBeforeOtherOutput();
        clearTransient();
        std::string text(line);
        text += '\n';
        std::fwrite(text.data(), 1, text.size(), stderr);
    }

    void flushBeforeOtherOutput() override {
        errno = 0;
        if (std::fflush(stdout) != 0 && keptError_ == 0) keptError_ = errno;
    }

    void showTransient(std::string_view text) override {
        flushBeforeOtherOutput();
        std::string line = "\r\033[K" + std::string(text);
        std::fwrite(line.data(), 1, line.size(), stderr);
        std::fflush(stderr);
        transientShown_ = true;
    }

    void clearTransient() override {
        if (!transientShown_) return;
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
        transientShown_ = false;
    }

private:
    [[noreturn]] void fail() const {
        int error = errno != 0 ? errno : keptError_;
        std::string reason = error != 0 ? std::strerror(error) : tr("motivo desconhecido");
        throw EFileError(textf(tr("não foi possível escrever na saída padrão: %s"), reason.c_str()));
    }

    // The reason of a failed flush whose failure was kept: stdio keeps only the error
    // flag, and the next write would find errno at 0.
    int keptError_ = 0;
    bool transientShown_ = false;
};

}  // namespace

TConsole& standardConsole() {
    static TStandardConsole console;
    return console;
}

void commitAfterConsole(TConsole& console, TRunFiles& files) {
    console.flush();
    files.commit();
    if (int signalNumber = files.lateSignal()) {
        const char* name = sigabbrev_np(signalNumber);
        std::string signalName = name != nullptr ? name : std::to_string(signalNumber);
        console.message(warningText(textf(
            tr("o sinal SIG%s chegou depois de os arquivos estarem completos; eles foram mantidos."),
            signalName.c_str())));
    }
}

std::string closingLinesText(std::int32_t count, TClosingItems items) {
    // The Portuguese line keeps its plural for every count, as the standard run has always
    // printed it; other languages choose their own form.
    auto forms = static_cast<unsigned long>(count);
    const char* countLine = nullptr;
    switch (items) {
        case TClosingItems::trips:
            countLine = trn("   %d viagens geradas com sucesso.\n", "   %d viagens geradas com sucesso.\n", forms);
            break;
        case TClosingItems::tasks:
            countLine = trn("   %d tarefas geradas com sucesso.\n", "   %d tarefas geradas com sucesso.\n", forms);
            break;
        case TClosingItems::columns:
            countLine = trn("   %d colunas geradas com sucesso.\n", "   %d colunas geradas com sucesso.\n", forms);
            break;
    }
    return textf(countLine, count) + tr("   Pressione ENTER para continuar!\n\n\n");
}

}  // namespace gerador
