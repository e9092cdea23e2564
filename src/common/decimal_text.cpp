#include "common/decimal_text.h"

#include <cassert>
#include <cctype>
#include <stdlib.h>

#include "common/point_numbers.h"

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

}  // namespace

std::optional<double> decimalOfText(const std::string& text) {
    if (text.empty() || decimalLength(text) != text.size()) return std::nullopt;
    char* end = nullptr;
    // glibc's strtod is correctly rounded for any number of digits; the process's
    // LC_NUMERIC, which a caller may set to a decimal comma, is not read.
    double value = strtod_l(text.c_str(), &end, pointLocale());
    assert(end == text.c_str() + text.size());
    return value;
}

}  // namespace gerador
