#include "common/file_encoding.h"

#include <stdexcept>

#include "common/gzip_blocks.h"

#ifdef GERADOR_HAVE_CRYPTO
#include <openssl/evp.h>
#endif

#include "common/messages.h"

namespace gerador {

bool gzipAvailable() {
#ifdef GERADOR_HAVE_GZIP
    return true;
#else
    return false;
#endif
}

bool hashingAvailable() {
#ifdef GERADOR_HAVE_CRYPTO
    return true;
#else
    return false;
#endif
}

bool isGzipName(std::string_view name) {
    return name.size() > 3 && name.substr(name.size() - 3) == ".gz";
}

struct TSha256::TState {
#ifdef GERADOR_HAVE_CRYPTO
    EVP_MD_CTX* context = nullptr;
#endif
};

TSha256::TSha256() : state_(std::make_unique<TState>()) {
#ifdef GERADOR_HAVE_CRYPTO
    state_->context = EVP_MD_CTX_new();
    if (state_->context == nullptr || EVP_DigestInit_ex(state_->context, EVP_sha256(), nullptr) != 1) {
        throw std::runtime_error(tr("SHA-256 indisponível"));
    }
#endif
}

TSha256::~TSha256() {
#ifdef GERADOR_HAVE_CRYPTO
    EVP_MD_CTX_free(state_->context);
#endif
}

void TSha256::update([[maybe_unused]] std::string_view bytes) {
#ifdef GERADOR_HAVE_CRYPTO
    EVP_DigestUpdate(state_->context, bytes.data(), bytes.size());
#endif
}

std::string TSha256::hexDigest() {
    std::string text;
#ifdef GERADOR_HAVE_CRYPTO
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(state_->context, digest, &length);
    static const char kHex[] = "0123456789abcdef";
    for (unsigned int at = 0; at < length; ++at) {
        text += kHex[digest[at] >> 4];
        text += kHex[digest[at] & 0xF];
    }
#endif
    return text;
}

TFileEncoding::TFileEncoding(bool hash, bool gzip, std::size_t gzipThreads) {
    if (hash) {
        contentHash_ = std::make_unique<TSha256>();
        if (gzip) fileHash_ = std::make_unique<TSha256>();
    }
    if (!gzip) return;
    if (!gzipAvailable()) throw std::runtime_error(tr("este programa foi compilado sem libdeflate"));
    blocks_ = std::make_unique<TGzipBlocks>(gzipThreads);
}

TFileEncoding::~TFileEncoding() = default;

std::string_view TFileEncoding::encode(std::string_view content) {
    contentBytes_ += content.size();
    if (contentHash_) contentHash_->update(content);
    if (!compresses()) return content;
    std::string_view bytes = blocks_->add(content);
    if (fileHash_) fileHash_->update(bytes);
    return bytes;
}

std::string_view TFileEncoding::finish() {
    std::string_view bytes = compresses() ? blocks_->finish() : std::string_view{};
    if (fileHash_) fileHash_->update(bytes);
    if (contentHash_) contentDigest_ = contentHash_->hexDigest();
    fileDigest_ = fileHash_ ? fileHash_->hexDigest() : contentDigest_;
    return bytes;
}

}  // namespace gerador
