#include "common/file_encoding.h"

#include <stdexcept>

#ifdef GERADOR_HAVE_ZLIB
#include <zlib.h>
#endif
#ifdef GERADOR_HAVE_CRYPTO
#include <openssl/evp.h>
#endif

#include "common/messages.h"

namespace gerador {

namespace {

// The fastest level: on the standard MPS file it writes 36 MB in 2.5 s where the default
// level writes 29 MB in 7.3 s; one who wants the last bytes can recompress.
constexpr int kGzipLevel = 1;
constexpr int kUnixSystem = 3;  // the gzip header's OS byte, fixed so files match everywhere

}  // namespace

bool gzipAvailable() {
#ifdef GERADOR_HAVE_ZLIB
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

struct TFileEncoding::TDeflater {
#ifdef GERADOR_HAVE_ZLIB
    z_stream stream{};
    gz_header header{};
#endif
};

TFileEncoding::TFileEncoding(bool hash, bool gzip) : hash_(hash), gzip_(gzip) {
    if (hash_) {
        contentHash_ = std::make_unique<TSha256>();
        if (gzip_) fileHash_ = std::make_unique<TSha256>();
    }
    if (!gzip_) return;
#ifdef GERADOR_HAVE_ZLIB
    deflater_ = std::make_unique<TDeflater>();
    // 15 + 16: the largest window, with a gzip header and trailer.
    if (deflateInit2(&deflater_->stream, kGzipLevel, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        throw std::runtime_error(tr("zlib não iniciou a compressão"));
    }
    deflater_->header.os = kUnixSystem;
    deflateSetHeader(&deflater_->stream, &deflater_->header);
#else
    throw std::runtime_error(tr("este programa foi compilado sem zlib"));
#endif
}

TFileEncoding::~TFileEncoding() {
#ifdef GERADOR_HAVE_ZLIB
    if (deflater_) deflateEnd(&deflater_->stream);
#endif
}

std::string_view TFileEncoding::compress([[maybe_unused]] std::string_view content, [[maybe_unused]] bool last) {
    compressed_.clear();
#ifdef GERADOR_HAVE_ZLIB
    z_stream& stream = deflater_->stream;
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(content.data()));
    stream.avail_in = static_cast<uInt>(content.size());
    int result = Z_OK;
    do {
        std::size_t used = compressed_.size();
        compressed_.resize(used + std::max<std::size_t>(content.size() / 2, 1 << 16));
        stream.next_out = reinterpret_cast<Bytef*>(compressed_.data() + used);
        stream.avail_out = static_cast<uInt>(compressed_.size() - used);
        result = deflate(&stream, last ? Z_FINISH : Z_NO_FLUSH);
        compressed_.resize(compressed_.size() - stream.avail_out);
    } while (last ? result != Z_STREAM_END : stream.avail_in > 0);
#endif
    return {compressed_.data(), compressed_.size()};
}

std::string_view TFileEncoding::encode(std::string_view content) {
    contentBytes_ += content.size();
    if (contentHash_) contentHash_->update(content);
    if (!gzip_) return content;
    std::string_view bytes = compress(content, false);
    if (fileHash_) fileHash_->update(bytes);
    return bytes;
}

std::string_view TFileEncoding::finish() {
    std::string_view bytes = gzip_ ? compress({}, true) : std::string_view{};
    if (fileHash_) fileHash_->update(bytes);
    if (contentHash_) contentDigest_ = contentHash_->hexDigest();
    fileDigest_ = fileHash_ ? fileHash_->hexDigest() : contentDigest_;
    return bytes;
}

}  // namespace gerador
