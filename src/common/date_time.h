#pragma once

#include <cstdint>
#include <string>

#include "common/exceptions.h"

namespace gerador {

// An instant, a time of day or a duration: whole days since 30 December 1899,
// the fraction being the time of day. Arithmetic and ordering are those of the
// double it holds; nothing rounds a value after arithmetic.
class TDateTime {
public:
    constexpr TDateTime(double days = 0.0) : days_(days) {}
    constexpr operator double() const { return days_; }

private:
    double days_;
};

// Day number of a calendar date, with fraction 0.
// Returns false (and leaves result alone) for a date outside 1..9999 or past the month's end.
bool daysFromDate(std::uint16_t year, std::uint16_t month, std::uint16_t day, TDateTime& result);

// Fraction of a day for a time of day.
// Returns false (and leaves result alone) when a field is past its limit (hour 24, minute 60, ...).
bool fractionFromTime(std::uint16_t hour, std::uint16_t minute, std::uint16_t second,
                      std::uint16_t millisecond, TDateTime& result);

// Calendar date of a value, after rounding it to the millisecond.
void splitDate(TDateTime value, std::uint16_t& year, std::uint16_t& month, std::uint16_t& day);

// Time of day of a value, after rounding it to the millisecond; whole days are ignored,
// so 25 hours reads as 01:00.
void splitTime(TDateTime value, std::uint16_t& hour, std::uint16_t& minute, std::uint16_t& second,
               std::uint16_t& millisecond);

// Reads "DD/MM/YYYY", "DD/MM/YYYY HH:mm[:ss]" or a time alone "H:m[:s]".
// Throws EConvertError "'<text>' is not a valid date and time" otherwise.
TDateTime dateTimeFromText(const std::string& text);

// Reads a time alone "H:m[:s]" (day number 0).
// Throws EConvertError "'<text>' is not a valid time" otherwise.
TDateTime timeFromText(const std::string& text);

// An instant in ISO 8601, to the minute: "2006-01-01T08:00".
std::string isoInstant(TDateTime value);
// A duration in ISO 8601, to the minute: "PT9H1M" (whole days as "P1DT2H").
std::string isoDuration(TDateTime value);

// Formats a value by a pattern of D, M, Y, H, N and S runs (case-insensitive); M right
// after an hour token means minutes. Other characters are copied unchanged.
std::string textFromDateTime(TDateTime value, const std::string& pattern);

}  // namespace gerador
