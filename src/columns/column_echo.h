#pragma once

#include <string>

#include "columns/column_line.h"
#include "columns/column_sink.h"
#include "common/console.h"

namespace gerador {

// The console's sample of a column run: the line of every 10000th column (the 1st,
// the 10001st, ...), each followed by an empty line, and one empty line at the end.
class TColumnEchoSink : public TColumnSink {
public:
    // Prints on console, which must outlive this; by default the standard one.
    explicit TColumnEchoSink(TConsole& console = standardConsole()) : console_(&console) {}
    void begin(const TColumnRunInfo& run) override;
    void add(const TPricedColumn& column) override;
    void end(std::int32_t columnCount) override;
    std::unique_ptr<TColumnTextFormatter> textFormatter() const override;
    void addText(std::string_view text) override;

private:
    TConsole* console_;
    std::int32_t taskCount_ = 0;
    TTaskNumberText taskNumbers_;
    std::string line_;
};

}  // namespace gerador
