#include "common/date_time.h"

#include <cmath>
#include <random>

#include <gtest/gtest.h>

using namespace gerador;

namespace {

constexpr double kMillisecond = 1.0 / 86400000.0;

double nearest(long double exact) {
    return static_cast<double>(exact);
}

TEST(DateTimeFromText, ReadsDatesAndTimesDayBeforeMonth) {
    struct Row {
        const char* text;
        double expected;
    };
    const Row rows[] = {
        {"01/01/2006 08:00", nearest(38718.0L + 1.0L / 3.0L)},
        {"04/01/2006 08:00", nearest(38721.0L + 1.0L / 3.0L)},  // 4 January, not 1 April
        {"13/01/2006 08:00", nearest(38730.0L + 1.0L / 3.0L)},
        {"01/01/2006 08:0", nearest(38718.0L + 1.0L / 3.0L)},
        {"01/01/2006", 38718.0},
        {"30/12/1899", 0.0},
        {"01/03/2004", 38047.0},  // after a leap day
        {" 1 / 1 / 2006 / 8 : 0 ", nearest(38718.0L + 1.0L / 3.0L)},
        {"01/01/2006 08:00:30", 38718.0 + 28830000.0 / 86400000.0},
        {"01/01/2006 08:00 trailing text", nearest(38718.0L + 1.0L / 3.0L)},
        {"2:9", 129.0 / 1440.0},
        {"0:50", 50.0 / 1440.0},
        {"23:59", 1439.0 / 1440.0},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(static_cast<double>(dateTimeFromText(row.text)), row.expected) << "text: " << row.text;
    }
    EXPECT_EQ(static_cast<double>(dateTimeFromText("04/01/2006 08:00")) -
                  static_cast<double>(dateTimeFromText("01/01/2006 08:00")),
              3.0);
}

TEST(DateTimeFromText, RejectsInvalidTextQuotingIt) {
    const char* rows[] = {"01/13/2006 08:00", "29/02/2006", "32/01/2006", "01/01/2006 24:00",
                          "24:00", "2:9x", "", "08", "01/01/10000", "1:60"};
    for (const char* text : rows) {
        try {
            dateTimeFromText(text);
            ADD_FAILURE() << "accepted: " << text;
        } catch (const EConvertError& error) {
            EXPECT_EQ(error.what(), "'" + std::string(text) + "' is not a valid date and time");
        }
    }
}

TEST(TimeFromText, ReadsTimesAloneOnly) {
    EXPECT_EQ(static_cast<double>(timeFromText("09:01")), 541.0 / 1440.0);
    EXPECT_EQ(static_cast<double>(timeFromText("12:01")), 721.0 / 1440.0);
    EXPECT_EQ(static_cast<double>(timeFromText("01:00")), 1.0 / 24.0);
    EXPECT_EQ(static_cast<double>(timeFromText("2:9")), 129.0 / 1440.0);
    for (const char* text : {"24:00", "01/01/2006 08:00", "08:00 x", "08:"}) {
        try {
            timeFromText(text);
            ADD_FAILURE() << "accepted: " << text;
        } catch (const EConvertError& error) {
            EXPECT_EQ(error.what(), "'" + std::string(text) + "' is not a valid time");
        }
    }
}

TEST(TextFromDateTime, FormatsThePatternsInUse) {
    struct Row {
        double value;
        const char* pattern;
        const char* expected;
    };
    const double beforeMidnight = 38719.0 - 0.4 * kMillisecond;
    const Row rows[] = {
        {38718.34375, "DD/MM/YYYY HH:mm", "01/01/2006 08:15"},
        {38718.34375, "DD/MM/YYYY HH:", "01/01/2006 08:"},
        {38718.34375, "HH:mm", "08:15"},
        {38718.34375, "d/m/yyyy h:nn:ss", "1/1/2006 8:15:00"},
        {25.0 / 24.0, "HH:mm", "01:00"},                            // a day or more wraps
        {beforeMidnight, "DD/MM/YYYY HH:mm", "02/01/2006 00:00"},  // rounds to the millisecond first
        {149.0 / 1440.0, "HH:mm", "02:29"},
        {0.0, "HH:mm", "00:00"},
        {38718.0, "DD/MM/YY", "01/01/06"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(textFromDateTime(row.value, row.pattern), row.expected)
            << "value " << row.value << " pattern " << row.pattern;
    }
}

TEST(SplitTime, RoundsToTheMillisecondAndWrapsDays) {
    struct Row {
        double value;
        std::uint16_t hour, minute, second, millisecond;
    };
    const Row rows[] = {
        {nearest(38718.0L + 1.0L / 3.0L), 8, 0, 0, 0},  // not exactly 08:00 as a double
        {38719.0 - 0.4 * kMillisecond, 0, 0, 0, 0},
        {38719.0 - 0.6 * kMillisecond, 23, 59, 59, 999},
        {25.0 / 24.0, 1, 0, 0, 0},
        {(12 * 3600000.0 + 34 * 60000.0 + 56 * 1000.0 + 789) / 86400000.0, 12, 34, 56, 789},
    };
    for (const Row& row : rows) {
        std::uint16_t hour, minute, second, millisecond;
        splitTime(row.value, hour, minute, second, millisecond);
        EXPECT_EQ(hour, row.hour) << row.value;
        EXPECT_EQ(minute, row.minute) << row.value;
        EXPECT_EQ(second, row.second) << row.value;
        EXPECT_EQ(millisecond, row.millisecond) << row.value;
    }
}

// The split reads a fast double product where that is safe; it must give the fields of
// the long double product rounded half to even everywhere, ties and near-ties included.
TEST(SplitTime, AgreesWithTheLongDoubleRoundingEverywhere) {
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> days(0.0, 50000.0);  // past 12725 days, the slow path
    auto check = [](double value) {
        long double product = static_cast<long double>(value) * 86400000.0L;
        std::int64_t expected = std::llrint(product) % 86400000;
        std::uint16_t hour, minute, second, millisecond;
        splitTime(value, hour, minute, second, millisecond);
        std::int64_t got = ((hour * 60LL + minute) * 60 + second) * 1000 + millisecond;
        ASSERT_EQ(got, expected) << std::hexfloat << value;
    };
    for (int draw = 0; draw < 200000; ++draw) {
        double value = days(random);
        check(value);
        // Values whose product lies on or right beside a half millisecond.
        double half = (std::floor(value * 86400000.0) + 0.5) / 86400000.0;
        check(half);
        check(std::nextafter(half, 0.0));
        check(std::nextafter(half, 1e9));
    }
    check(0.0);
}

TEST(SplitDate, InvertsDaysFromDateOverTheWholeCalendar) {
    const unsigned monthLengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    for (unsigned year : {1u, 4u, 100u, 400u, 1899u, 1900u, 2000u, 2004u, 2006u, 2100u, 9999u}) {
        bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
        for (unsigned month = 1; month <= 12; ++month) {
            unsigned length = monthLengths[month - 1] + (month == 2 && leap ? 1 : 0);
            for (unsigned day = 1; day <= length + 1; ++day) {
                TDateTime value;
                bool valid = daysFromDate(static_cast<std::uint16_t>(year), static_cast<std::uint16_t>(month),
                                          static_cast<std::uint16_t>(day), value);
                ASSERT_EQ(valid, day <= length) << year << "-" << month << "-" << day;
                if (!valid) continue;
                std::uint16_t y, m, d;
                splitDate(static_cast<double>(value) + 0.5, y, m, d);
                ASSERT_EQ(y, year);
                ASSERT_EQ(m, month);
                ASSERT_EQ(d, day);
            }
        }
    }
    TDateTime value;
    EXPECT_TRUE(daysFromDate(2006, 1, 1, value));
    EXPECT_EQ(static_cast<double>(value), 38718.0);
    EXPECT_FALSE(daysFromDate(0, 1, 1, value));
    EXPECT_FALSE(daysFromDate(2006, 13, 1, value));
    EXPECT_FALSE(daysFromDate(2006, 1, 0, value));
}

TEST(FractionFromTime, RejectsFieldsPastTheirLimits) {
    TDateTime value;
    EXPECT_TRUE(fractionFromTime(23, 59, 59, 999, value));
    EXPECT_EQ(static_cast<double>(value), 86399999.0 / 86400000.0);
    EXPECT_FALSE(fractionFromTime(24, 0, 0, 0, value));
    EXPECT_FALSE(fractionFromTime(0, 60, 0, 0, value));
    EXPECT_FALSE(fractionFromTime(0, 0, 60, 0, value));
    EXPECT_FALSE(fractionFromTime(0, 0, 0, 1000, value));
}

}  // namespace
