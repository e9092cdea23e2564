#include "columns/file_sink.h"

#include <cassert>

#include "common/count_field.h"

namespace gerador {

TOutputFile& TFileSink::createFile(std::size_t bufferBytes, TOutputFile::TWriting writing) {
    file_ = &files_.create(fileName_, bufferBytes, writing);
    return *file_;
}

bool TCountedFileSink::needsCountFirst() const {
    return !files().canRewind(fileName());
}

void TCountedFileSink::writeCountHeader(const std::string& textBefore, const TColumnRunInfo& run) {
    textBefore_ = textBefore;
    countWritten_ = run.knownColumnCount.has_value();
    file().write(textBefore + countField(run.knownColumnCount));
}

void TCountedFileSink::endWithCount(std::int32_t columnCount) {
    if (!countWritten_) writeCountOverField(file(), textBefore_, columnCount);
    file().finish();
}

}  // namespace gerador
