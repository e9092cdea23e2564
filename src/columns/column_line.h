#pragma once

#include <array>
#include <cstddef>
#include <cstring>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "columns/column_sink.h"

namespace gerador {

// Characters of the longest 32-bit number, "-2147483648".
inline constexpr std::size_t kLongestNumber = 11;

// The text of every number below 10000, left-aligned in four characters, and its length.
struct TShortNumber {
    char text[4];
    std::uint32_t length;
};

inline constexpr std::array<TShortNumber, 10000> kShortNumbers = [] {
    std::array<TShortNumber, 10000> numbers{};
    for (unsigned number = 0; number < numbers.size(); ++number) {
        TShortNumber& entry = numbers[number];
        unsigned digits = number < 10 ? 1 : number < 100 ? 2 : number < 1000 ? 3 : 4;
        unsigned rest = number;
        for (unsigned digit = digits; digit > 0; --digit) {
            entry.text[digit - 1] = static_cast<char>('0' + rest % 10);
            rest /= 10;
        }
        entry.length = digits;
    }
    return numbers;
}();

// appendNumber for the numbers that are not in kShortNumbers (any other 32-bit number).
char* appendLongNumber(char* out, std::int32_t value);

// Writes value in decimal at out and returns the end; at most kLongestNumber characters,
// though it may write up to 4 characters where a shorter number ends.
// Every field of a column line but the column number is short, so that case is inline.
inline char* appendNumber(char* out, std::int32_t value) {
    if (value >= 0 && value < 10000) {
        const TShortNumber& entry = kShortNumbers[static_cast<std::size_t>(value)];
        std::memcpy(out, entry.text, sizeof entry.text);
        return out + entry.length;
    }
    return appendLongNumber(out, value);
}

// The text of a column's task numbers (index + 1, each after a blank: " 5 18 33"), kept
// from column to column: only the tasks after the part shared with the previous column
// are formatted again, which matters on millions of lines.
class TTaskNumberText {
public:
    // Forgets the kept text and sizes the tables for taskCount tasks.
    void prepare(std::int32_t taskCount);
    // The text of column's tasks; reuses the text of the leading tasks it shares with the
    // column of the previous call, when that was the column before it.
    // Requires: prepare() first; task indices below its taskCount.
    std::string_view update(const TPricedColumn& column);

private:
    struct TNumberText {
        char text[12];  // " <index + 1>", copied whole and cut to length
        std::size_t length;
    };
    std::vector<TNumberText> numberTexts_;  // by task index
    std::vector<std::size_t> ends_;         // end of the text of each position of the chain
    std::string text_;
    TPreviousColumn previous_;
};

// Task-number texts are copied in blocks of this many characters.
inline constexpr std::size_t kCopyBlock = 16;

// Writes taskNumbers (a text of TTaskNumberText) at out and returns its end; may write up
// to kCopyBlock - 1 characters past it.
char* appendTaskNumbers(char* out, std::string_view taskNumbers);

// Room a column line needs for task numbers of this length, with its line end and one more.
inline std::size_t columnLineBound(std::size_t taskNumbersLength) {
    return 5 * (kLongestNumber + 1) + taskNumbersLength + kCopyBlock + 2;
}

// The decimal text of a column number that mostly grows by one: counting in the text
// is cheaper than formatting the number again on every line.
class TColumnNumberText {
public:
    // The text of number. Requires: number >= 0.
    std::string_view update(std::int32_t number);

private:
    char digits_[kLongestNumber] = {};
    std::size_t length_ = 0;
    std::int32_t number_ = -1;
};

// Writes the column file's line of column ("number cost depot minutes count" and the task
// numbers, then '\n') at out and returns the end. Requires: taskNumbers a text of
// TTaskNumberText, room for columnLineBound(taskNumbers.size()) at out.
char* appendColumnLine(char* out, const TPricedColumn& column, std::string_view taskNumbers);
// The same with the column number's text given, from an array of kLongestNumber characters.
char* appendColumnLine(char* out, std::string_view number, const TPricedColumn& column, std::string_view taskNumbers);

}  // namespace gerador
