#include "common/decimal_text.h"

#include <cassert>
#include <cctype>
#include <locale.h>
#include <new>
#include <stdlib.h>

namespace gerador {

namespace {

bool isDigitAt(const std::string& text, std::size_t at) {
    return at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]));
}

// The length of the plain decimal that text starts with, or 0.
std::size_t decimalLength(const std::string& text) {
    std::size_t at = 0;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
    std::size_t digits = 0;
    while (isDigitAt(text, at)) ++at, ++digits;
    if (at < text.size() && text[at] == '.') {
        ++at;
        while (isDigitAt(text, at)) ++at, ++digits;
    }
    if (digits == 0) return 0;
    if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        ++at;
        if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
        if (!isDigitAt(text, at)) return 0;
        while (isDigitAt(text, at)) ++at;
    }
    return at;
}

// strtod follows the process's LC_NUMERIC, which a translated run may set to a decimal
// comma; this locale, made once and never changed, keeps the point.
locale_t pointLocale() {
    static const locale_t locale = [] {
        locale_t made = newlocale(LC_ALL_MASK, "C", locale_t{});
        // The "C" locale is built in, so only memory can be lacking.
        if (made == locale_t{}) throw std::bad_alloc();
        return made;
    }();
    return locale;
}

}  // namespace

std::optional<double> decimalOfText(const std::string& text) {
    if (text.empty() || decimalLength(text) != text.size()) return std::nullopt;
    char* end = nullptr;
    // glibc's strtod is correctly rounded for any number of digits.
    double value = strtod_l(text.c_str(), &end, pointLocale());
    assert(end == text.c_str() + text.size());
    return value;
}

}  // namespace gerador
