#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace gerador {

class TRunFiles;

// Where a run's console text goes: the program's standard output and error, or a
// caller's strings. The generators and the driver print only through one.
class TConsole {
public:
    virtual ~TConsole() = default;
    // Console lines, as standard output carries them. Throws EFileError when that fails.
    virtual void print(std::string_view text) = 0;
    // Hands what is buffered on. Throws EFileError when that fails.
    virtual void flush() = 0;
    // A warning or an error line (no line end), after the lines printed before it.
    virtual void message(std::string_view line) = 0;
    // Before bytes go to a file that may be the console itself: what is buffered goes
    // first; a failure is kept for the next print or flush.
    virtual void flushBeforeOtherOutput() = 0;
    // The one line rewritten in place (progress), replacing the one before; print clears
    // it first. Failures are ignored: it is only a view.
    virtual void showTransient(std::string_view text) = 0;
    virtual void clearTransient() = 0;
};

// The process's standard output and standard error, through stdio.
TConsole& standardConsole();

// Keeps the console text in memory: for a caller that shows it its own way, and for tests.
class TTextConsole : public TConsole {
public:
    void print(std::string_view text) override { output_ += text; }
    void flush() override {}
    void message(std::string_view line) override {
        messages_ += line;
        messages_ += '\n';
    }
    void flushBeforeOtherOutput() override {}
    void showTransient(std::string_view) override {}
    void clearTransient() override {}
    // What went to the output's role, and the messages, each ended by a line end.
    const std::string& output() const { return output_; }
    const std::string& messages() const { return messages_; }

private:
    std::string output_;
    std::string messages_;
};

// Checks the console, then commits the files: a console that fails leaves no new file behind.
void commitAfterConsole(TConsole& console, TRunFiles& files);

// What a generator run made, as its closing line counts it.
enum class TClosingItems { trips, tasks, columns };

// The two lines that close every generator run: "   <count> viagens geradas com sucesso."
// (or tarefas, colunas) and the ENTER prompt, which does not wait.
std::string closingLinesText(std::int32_t count, TClosingItems items);

}  // namespace gerador
