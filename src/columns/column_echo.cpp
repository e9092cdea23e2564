#include "columns/column_echo.h"

namespace gerador {

namespace {

constexpr std::int32_t kEchoEvery = 10000;

// The echo's line of column and an empty line after it, appended to text.
bool shown(const TPricedColumn& column) {
    return (column.number - 1) % kEchoEvery == 0;
}

void appendEcho(TTaskNumberText& taskNumbers, const TPricedColumn& column, std::string& text) {
    std::string_view numbers = taskNumbers.update(column);
    std::size_t at = text.size();
    text.resize(at + columnLineBound(numbers.size()) + 1);
    char* end = appendColumnLine(text.data() + at, column, numbers);
    *end++ = '\n';
    text.resize(static_cast<std::size_t>(end - text.data()));
}

class TEchoFormatter : public TColumnTextFormatter {
public:
    explicit TEchoFormatter(std::int32_t taskCount) { taskNumbers_.prepare(taskCount); }
    void append(const TPricedColumn& column, std::string& text) override {
        if (shown(column)) appendEcho(taskNumbers_, column, text);
    }

private:
    TTaskNumberText taskNumbers_;
};

}  // namespace

void TColumnEchoSink::begin(const TColumnRunInfo& run) {
    taskNumbers_.prepare(run.taskCount);
    taskCount_ = run.taskCount;
}

void TColumnEchoSink::add(const TPricedColumn& column) {
    if (!shown(column)) return;
    line_.clear();
    appendEcho(taskNumbers_, column, line_);
    console_->print(line_);
}

std::unique_ptr<TColumnTextFormatter> TColumnEchoSink::textFormatter() const {
    return std::make_unique<TEchoFormatter>(taskCount_);
}

void TColumnEchoSink::addText(std::string_view text) {
    if (!text.empty()) console_->print(text);
}

void TColumnEchoSink::end(std::int32_t) {
    console_->print("\n");
}

}  // namespace gerador
