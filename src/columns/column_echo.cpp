#include "columns/column_echo.h"

#include "common/console.h"

namespace gerador {

namespace {

constexpr std::int32_t kEchoEvery = 10000;

}  // namespace

void TColumnEchoSink::begin(const TColumnRunInfo& run) {
    taskNumbers_.prepare(run.taskCount);
}

void TColumnEchoSink::add(const TPricedColumn& column) {
    if ((column.number - 1) % kEchoEvery != 0) return;
    std::string_view taskNumbers = taskNumbers_.update(column);
    line_.resize(columnLineBound(taskNumbers.size()));
    char* end = appendColumnLine(line_.data(), column, taskNumbers);
    *end++ = '\n';
    printText({line_.data(), static_cast<std::size_t>(end - line_.data())});
}

void TColumnEchoSink::end(std::int32_t) {
    printText("\n");
}

}  // namespace gerador
