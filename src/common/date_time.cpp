#include "common/date_time.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cmath>

#include "common/extended.h"

namespace gerador {

namespace {

constexpr std::int64_t kMillisecondsPerDay = 86400000;
// Days from 1 January of year 1 to 30 December 1899, day 0 of TDateTime.
constexpr std::int64_t kDaysToDayZero = 693594;

bool isLeapYear(unsigned year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

unsigned daysInMonth(unsigned year, unsigned month) {
    static constexpr unsigned kLengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : kLengths[month - 1];
}

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    std::int64_t quotient = a / b;
    return (a % b != 0 && a < 0) ? quotient - 1 : quotient;
}

const TExtended kMillisecondsPerDayExtended = TExtended::fromInteger(kMillisecondsPerDay);

// Date and time fields always come from the same rounded count, so a value just
// before midnight reads as 00:00 of the next day in both. The count is the product in
// extended precision, rounded half to even; a value too large for 64 bits saturates.
std::int64_t roundedMilliseconds(TDateTime value) {
    double days = value;
#ifdef __SIZEOF_INT128__
    // Fast path for positive values from 2^-20 to 2^30 days: the exact product in integers.
    // Rounding it to 64 significant bits moves it by less than 2^15 units of its last place,
    // so where its fraction is further than 2^16 units from a half both roundings agree.
    // Integer arithmetic only, so it holds on every platform that has 128-bit integers.
    auto bits = std::bit_cast<std::uint64_t>(days);
    auto biasedExponent = static_cast<int>(bits >> 52);  // the sign bit makes negatives too large
    if (biasedExponent >= 1003 && biasedExponent < 1053) {
        __extension__ using TWide = unsigned __int128;
        TWide exact = TWide{(bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52)} * kMillisecondsPerDay;
        int fractionBits = 1075 - biasedExponent;  // 22 to 72
        TWide fraction = exact & ((TWide{1} << fractionBits) - 1);
        TWide half = TWide{1} << (fractionBits - 1);
        TWide distance = fraction > half ? fraction - half : half - fraction;
        if (distance > (TWide{1} << 16)) {
            return static_cast<std::int64_t>(exact >> fractionBits) + (fraction > half ? 1 : 0);
        }
    }
#endif
    if (!(std::fabs(days) < 0x1p62 / kMillisecondsPerDay)) {
        return days < 0 ? -(std::int64_t{1} << 62) : std::int64_t{1} << 62;
    }
    return *(TExtended::fromDouble(days) * kMillisecondsPerDayExtended).rounded();
}

struct TCalendarDate {
    unsigned year;
    unsigned month;
    unsigned day;
};

TCalendarDate dateOfDayNumber(std::int64_t dayNumber) {
    // Zero-based days since 1 January of year 1, then the 400/100/4/1-year cycles.
    std::int64_t days = dayNumber + kDaysToDayZero - 1;
    std::int64_t cycles400 = floorDiv(days, 146097);
    days -= cycles400 * 146097;
    std::int64_t cycles100 = std::min<std::int64_t>(days / 36524, 3);
    days -= cycles100 * 36524;
    std::int64_t cycles4 = days / 1461;
    days -= cycles4 * 1461;
    std::int64_t years = std::min<std::int64_t>(days / 365, 3);
    days -= years * 365;
    auto year = static_cast<unsigned>(cycles400 * 400 + cycles100 * 100 + cycles4 * 4 + years + 1);
    unsigned month = 1;
    while (days >= daysInMonth(year, month)) {
        days -= daysInMonth(year, month);
        ++month;
    }
    return {year, month, static_cast<unsigned>(days + 1)};
}

// Reads numbers and separators left to right; blanks (spaces only) are skipped
// before each of them.
class TTextReader {
public:
    explicit TTextReader(const std::string& text) : text_(text) {}

    void skipBlanks() {
        while (position_ < text_.size() && text_[position_] == ' ') ++position_;
    }

    // Reads digits while the value so far is below 1000, so a four-digit year is read whole.
    bool readNumber(unsigned& value) {
        skipBlanks();
        std::size_t begin = position_;
        value = 0;
        while (position_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[position_])) &&
               value < 1000) {
            value = value * 10 + static_cast<unsigned>(text_[position_] - '0');
            ++position_;
        }
        return position_ > begin;
    }

    // Consumes the separator if it comes next; otherwise leaves the position alone.
    bool readSeparator(char separator) {
        std::size_t before = position_;
        skipBlanks();
        if (position_ < text_.size() && text_[position_] == separator) {
            ++position_;
            return true;
        }
        position_ = before;
        return false;
    }

    bool atEnd() const { return position_ >= text_.size(); }

private:
    const std::string& text_;
    std::size_t position_ = 0;
};

bool readTime(TTextReader& reader, bool requireEnd, TDateTime& result) {
    unsigned hour = 0;
    unsigned minute = 0;
    unsigned second = 0;
    if (!reader.readNumber(hour) || !reader.readSeparator(':') || !reader.readNumber(minute)) return false;
    if (reader.readSeparator(':') && !reader.readNumber(second)) return false;
    reader.skipBlanks();
    if (requireEnd && !reader.atEnd()) return false;
    // Numbers stop at four digits, so every field fits 16 bits.
    return fractionFromTime(static_cast<std::uint16_t>(hour), static_cast<std::uint16_t>(minute),
                            static_cast<std::uint16_t>(second), 0, result);
}

bool readDateAndOptionalTime(const std::string& text, TDateTime& result) {
    TTextReader reader(text);
    unsigned day = 0;
    unsigned month = 0;
    unsigned year = 0;
    if (!reader.readNumber(day) || !reader.readSeparator('/') || !reader.readNumber(month) ||
        !reader.readSeparator('/') || !reader.readNumber(year)) {
        return false;
    }
    reader.readSeparator('/');
    reader.skipBlanks();
    TDateTime date;
    if (!daysFromDate(static_cast<std::uint16_t>(year), static_cast<std::uint16_t>(month),
                      static_cast<std::uint16_t>(day), date)) {
        return false;
    }
    if (reader.atEnd()) {
        result = date;
        return true;
    }
    TDateTime time;
    if (!readTime(reader, false, time)) return false;
    result = date + time;
    return true;
}

void appendPadded(std::string& text, unsigned value, std::size_t digits) {
    std::string number = std::to_string(value);
    if (number.size() < digits) text.append(digits - number.size(), '0');
    text += number;
}

}  // namespace

bool daysFromDate(std::uint16_t year, std::uint16_t month, std::uint16_t day, TDateTime& result) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month)) {
        return false;
    }
    std::int64_t dayOfYear = day;
    for (unsigned earlier = 1; earlier < month; ++earlier) dayOfYear += daysInMonth(year, earlier);
    std::int64_t y = year - 1;
    result = static_cast<double>(y * 365 + y / 4 - y / 100 + y / 400 + dayOfYear - kDaysToDayZero);
    return true;
}

bool fractionFromTime(std::uint16_t hour, std::uint16_t minute, std::uint16_t second,
                      std::uint16_t millisecond, TDateTime& result) {
    if (hour >= 24 || minute >= 60 || second >= 60 || millisecond >= 1000) return false;
    std::int64_t milliseconds = hour * 3600000LL + minute * 60000LL + second * 1000LL + millisecond;
    result = static_cast<double>(milliseconds) / static_cast<double>(kMillisecondsPerDay);
    return true;
}

void splitDate(TDateTime value, std::uint16_t& year, std::uint16_t& month, std::uint16_t& day) {
    TCalendarDate date = dateOfDayNumber(floorDiv(roundedMilliseconds(value), kMillisecondsPerDay));
    year = static_cast<std::uint16_t>(date.year);
    month = static_cast<std::uint16_t>(date.month);
    day = static_cast<std::uint16_t>(date.day);
}

void splitTime(TDateTime value, std::uint16_t& hour, std::uint16_t& minute, std::uint16_t& second,
               std::uint16_t& millisecond) {
    std::int64_t t = roundedMilliseconds(value);
    std::int64_t dayMilliseconds = t % kMillisecondsPerDay;
    if (dayMilliseconds < 0) dayMilliseconds += kMillisecondsPerDay;
    // Below 86400000 the fields fit 32-bit arithmetic, which the column file's hot loop feels.
    auto m = static_cast<std::uint32_t>(dayMilliseconds);
    hour = static_cast<std::uint16_t>(m / 3600000);
    minute = static_cast<std::uint16_t>(m / 60000 % 60);
    second = static_cast<std::uint16_t>(m / 1000 % 60);
    millisecond = static_cast<std::uint16_t>(m % 1000);
}

TDateTime dateTimeFromText(const std::string& text) {
    TDateTime result;
    if (readDateAndOptionalTime(text, result)) return result;
    TTextReader reader(text);
    if (readTime(reader, true, result)) return result;
    throw EConvertError("'" + text + "' is not a valid date and time");
}

TDateTime timeFromText(const std::string& text) {
    TDateTime result;
    TTextReader reader(text);
    if (readTime(reader, true, result)) return result;
    throw EConvertError("'" + text + "' is not a valid time");
}

std::string textFromDateTime(TDateTime value, const std::string& pattern) {
    std::uint16_t year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millisecond = 0;
    splitDate(value, year, month, day);
    splitTime(value, hour, minute, second, millisecond);

    std::string text;
    bool lastLetterWasHour = false;
    std::size_t position = 0;
    while (position < pattern.size()) {
        char character = pattern[position];
        char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(character)));
        std::size_t runEnd = position;
        while (runEnd < pattern.size() &&
               std::toupper(static_cast<unsigned char>(pattern[runEnd])) == letter) {
            ++runEnd;
        }
        std::size_t count = runEnd - position;
        std::size_t digits = std::min<std::size_t>(count, 2);
        switch (letter) {
            case 'D': appendPadded(text, day, digits); break;
            case 'M': appendPadded(text, lastLetterWasHour ? minute : month, digits); break;
            case 'Y':
                if (count >= 3) appendPadded(text, year, 4);
                else appendPadded(text, year % 100u, 2);
                break;
            case 'H': appendPadded(text, hour, digits); break;
            case 'N': appendPadded(text, minute, digits); break;
            case 'S': appendPadded(text, second, digits); break;
            default: text.append(pattern, position, count); break;
        }
        if (std::isalpha(static_cast<unsigned char>(letter))) lastLetterWasHour = letter == 'H';
        position = runEnd;
    }
    return text;
}

std::string isoInstant(TDateTime value) {
    return textFromDateTime(value, "YYYY-MM-DD") + "T" + textFromDateTime(value, "HH:mm");
}

std::string isoDuration(TDateTime value) {
    auto minutes = static_cast<long long>(std::llround(static_cast<double>(value) * 1440.0));
    std::string text = minutes < 0 ? "-P" : "P";
    minutes = minutes < 0 ? -minutes : minutes;
    if (minutes >= 1440) text += std::to_string(minutes / 1440) + "D";
    text += "T" + std::to_string(minutes % 1440 / 60) + "H" + std::to_string(minutes % 60) + "M";
    return text;
}

}  // namespace gerador
