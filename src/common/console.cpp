#include "common/console.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "common/exceptions.h"
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
        std::string reason = error != 0 ? std::strerror(error) : "motivo desconhecido";
        throw EFileError("não foi possível escrever na saída padrão: " + reason);
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
        console.message("Aviso: o sinal SIG" + std::string(name != nullptr ? name : std::to_string(signalNumber)) +
                        " chegou depois de os arquivos estarem completos; eles foram mantidos.");
    }
}

std::string closingLinesText(std::int32_t count, std::string_view items) {
    return "   " + std::to_string(count) + " " + std::string(items) +
           " geradas com sucesso.\n   Pressione ENTER para continuar!\n\n\n";
}

}  // namespace gerador
