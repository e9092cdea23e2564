#include "columns/column_line.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <charconv>
#include <cstring>

namespace gerador {

namespace {

// "00" to "99", two characters each.
constexpr auto kDigitPairs = [] {
    std::array<char, 200> pairs{};
    for (int number = 0; number < 100; ++number) {
        pairs[static_cast<std::size_t>(2 * number)] = static_cast<char>('0' + number / 10);
        pairs[static_cast<std::size_t>(2 * number + 1)] = static_cast<char>('0' + number % 10);
    }
    return pairs;
}();

char* appendPair(char* out, unsigned number) {
    std::memcpy(out, &kDigitPairs[2 * number], 2);
    return out + 2;
}

}  // namespace

char* appendTaskNumbers(char* out, std::string_view taskNumbers) {
    // Whole blocks, the last one partly past the text: fixed-size copies beat a library
    // call that works out the length, and both buffers leave room for the overrun.
    for (std::size_t copied = 0; copied < taskNumbers.size(); copied += kCopyBlock) {
        std::memcpy(out + copied, taskNumbers.data() + copied, kCopyBlock);
    }
    return out + taskNumbers.size();
}

char* appendLongNumber(char* out, std::int32_t value) {
    // Column numbers stay below 10^8: a library call per line would be a large share of the run.
    if (value >= 10000 && value < 100000000) {
        auto number = static_cast<unsigned>(value);
        out = appendNumber(out, static_cast<std::int32_t>(number / 10000));
        return appendPair(appendPair(out, number % 10000 / 100), number % 100);
    }
    return std::to_chars(out, out + kLongestNumber, value).ptr;
}

void TTaskNumberText::prepare(std::int32_t taskCount) {
    auto count = static_cast<std::size_t>(std::max(taskCount, 0));
    numberTexts_.resize(count);
    for (std::size_t task = 0; task < count; ++task) {
        TNumberText& number = numberTexts_[task];
        number.text[0] = ' ';
        number.length =
            static_cast<std::size_t>(appendNumber(number.text + 1, static_cast<std::int32_t>(task + 1)) - number.text);
    }
    // A chain holds each task at most once; the text keeps room for a whole last block.
    ends_.assign(count, 0);
    text_.assign(count * sizeof(TNumberText::text) + kCopyBlock, ' ');
    previous_.forget();
}

std::string_view TTaskNumberText::update(const TPricedColumn& column) {
    const std::vector<std::int32_t>& chain = *column.tasks;
    assert(!chain.empty() && chain.size() <= ends_.size());
    std::size_t position = previous_.sharedWith(column);
    std::size_t end = position == 0 ? 0 : ends_[position - 1];
    for (; position < chain.size(); ++position) {
        assert(chain[position] >= 0 && static_cast<std::size_t>(chain[position]) < numberTexts_.size());
        const TNumberText& number = numberTexts_[static_cast<std::size_t>(chain[position])];
        std::memcpy(text_.data() + end, number.text, sizeof number.text);
        end += number.length;
        ends_[position] = end;
    }
    return {text_.data(), end};
}

std::string_view TColumnNumberText::update(std::int32_t number) {
    assert(number >= 0);
    if (number == number_ + 1 && number_ >= 0) {
        std::size_t digit = length_;
        while (digit > 0 && digits_[digit - 1] == '9') digits_[--digit] = '0';
        if (digit > 0) {
            ++digits_[digit - 1];
        } else {
            // 9...9 + 1: a one in front of the zeros.
            digits_[0] = '1';
            digits_[length_++] = '0';
        }
    } else {
        length_ = static_cast<std::size_t>(appendNumber(digits_, number) - digits_);
    }
    number_ = number;
    return {digits_, length_};
}

char* appendColumnLine(char* out, const TPricedColumn& column, std::string_view taskNumbers) {
    char number[kLongestNumber] = {};
    return appendColumnLine(out, {number, static_cast<std::size_t>(appendNumber(number, column.number) - number)},
                            column, taskNumbers);
}

char* appendColumnLine(char* out, std::string_view number, const TPricedColumn& column, std::string_view taskNumbers) {
    // Numbers are short; one fixed-size copy beats a call that works out the length.
    assert(number.size() <= kLongestNumber);
    std::memcpy(out, number.data(), kLongestNumber);
    out += number.size();
    for (std::int32_t field :
         {column.cost, column.depot, column.workMinutes, static_cast<std::int32_t>(column.tasks->size())}) {
        *out++ = ' ';
        out = appendNumber(out, field);
    }
    out = appendTaskNumbers(out, taskNumbers);
    *out++ = '\n';
    return out;
}

}  // namespace gerador
