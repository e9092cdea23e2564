#include "columns/file_sink.h"

#include <cassert>

TOutputFile& TFileSink::createFile(std::size_t bufferBytes, TOutputFile::TWriting writing) {
    file_ = std::make_unique<TOutputFile>(fileName_, bufferBytes, writing);
    return *file_;
}

void TFileSink::finishFile() {
    assert(file_ != nullptr);
    file_->finish();
}

void TFileSink::commit() {
    assert(file_ != nullptr);
    committedBytes_ = file_->size();
    file_->commit();
    file_.reset();
}

std::vector<TColumnSink::TWrittenFile> TFileSink::writtenFiles() const {
    return {{fileName_, file_ != nullptr ? file_->size() : committedBytes_}};
}
