#include "common/output_file.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/exceptions.h"

TOutputFile::TOutputFile(std::string fileName, std::size_t bufferBytes)
    : fileName_(std::move(fileName)), temporaryName_(fileName_ + ".XXXXXX"), buffer_(bufferBytes) {
    descriptor_ = mkstemp(temporaryName_.data());
    if (descriptor_ < 0) fail("criar o arquivo");
    // mkstemp makes the file private; give it the permissions a plain fopen would.
    mode_t mask = umask(0);
    umask(mask);
    if (fchmod(descriptor_, 0666 & ~mask) != 0) fail("criar o arquivo");
}

TOutputFile::~TOutputFile() {
    if (descriptor_ >= 0) close(descriptor_);
    if (!committed_) unlink(temporaryName_.c_str());
}

void TOutputFile::write(std::string_view text) {
    std::memcpy(room(text.size()), text.data(), text.size());
    buffered_ += text.size();
}

char* TOutputFile::room(std::size_t maxBytes) {
    if (maxBytes > buffer_.size() - buffered_) {
        flush();
        if (maxBytes > buffer_.size()) buffer_.resize(maxBytes);
    }
    return buffer_.data() + buffered_;
}

void TOutputFile::rewind() {
    flush();
    if (lseek(descriptor_, 0, SEEK_SET) != 0) fail("reposicionar o arquivo");
}

void TOutputFile::commit() {
    flush();
    int descriptor = descriptor_;
    descriptor_ = -1;
    if (close(descriptor) != 0) fail("fechar o arquivo");
    if (std::rename(temporaryName_.c_str(), fileName_.c_str()) != 0) fail("dar o nome final ao arquivo");
    committed_ = true;
}

void TOutputFile::flush() {
    const char* pending = buffer_.data();
    std::size_t remaining = buffered_;
    while (remaining > 0) {
        ssize_t written = ::write(descriptor_, pending, remaining);
        if (written < 0 && errno == EINTR) continue;
        if (written == 0) errno = EIO;
        if (written <= 0) fail("gravar o arquivo");
        pending += written;
        remaining -= static_cast<std::size_t>(written);
    }
    buffered_ = 0;
}

void TOutputFile::fail(const char* action) const {
    std::string reason = errno != 0 ? std::strerror(errno) : "motivo desconhecido";
    throw EFileError("não foi possível " + std::string(action) + " \"" + fileName_ + "\": " + reason);
}
