#include "common/decimal_text.h"

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "support/test_support.h"

using namespace gerador;

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

TEST(DecimalText, ReadsPlainDecimalsCorrectlyRounded) {
    const std::pair<const char*, double> rows[] = {
        {"0.25", 0.25}, {"-12.5e3", -12500.0}, {".5", 0.5}, {"7.", 7.0}, {"+1", 1.0}, {"1E-2", 0.01},
        {"0.1", 0x1.999999999999ap-4}, {"00012", 12.0}, {"1e0010", 1e10},
        // Halfway between two doubles goes to the even one; a digit far behind breaks the tie.
        {"9007199254740993", 9007199254740992.0},
        {"9007199254740993.00000000000000000000001", 9007199254740994.0},
        {"1.7976931348623157e308", 0x1.fffffffffffffp1023},
        {"1e-310", 0x0.012688b70e62bp-1022}, {"3e-324", 0x1p-1074}, {"2e-324", 0.0},
        {"1e400", kInfinity}, {"-1e400", -kInfinity}, {"0e999999", 0.0},
    };
    for (const auto& [text, expected] : rows) {
        std::optional<double> value = decimalOfText(text);
        ASSERT_TRUE(value.has_value()) << text;
        EXPECT_EQ(*value, expected) << text;
    }
    EXPECT_TRUE(std::signbit(decimalOfText("-0").value()));
}

TEST(DecimalText, RefusesAnythingButAWholePlainDecimal) {
    for (const char* text : {"", ".", "-", "+", "e5", "1e", "1e+", " 1", "1 ", "1,5", "1..2", "1e5.5", "--1",
                             "0x10", "0X1p3", "inf", "-inf", "infinity", "nan", "nan(1)", "1d", "1f"}) {
        EXPECT_FALSE(decimalOfText(text).has_value()) << '"' << text << '"';
    }
}

// A translated run may set a locale with a decimal comma; "1.5" still reads as 1.5.
TEST(DecimalText, IgnoresTheProcessLocale) {
    TTemporaryFolder folder;
    const std::string localeFolder = (folder.path() / "pt_BR.UTF-8").string();
    if (std::system(("localedef -i pt_BR -f UTF-8 '" + localeFolder + "' >/dev/null 2>&1").c_str()) != 0) {
        GTEST_SKIP() << "localedef could not build pt_BR.UTF-8";
    }
    setenv("LOCPATH", folder.path().c_str(), 1);
    ASSERT_NE(std::setlocale(LC_NUMERIC, "pt_BR.UTF-8"), nullptr);
    // The locale really reads a comma, so the point below is read in spite of it.
    EXPECT_EQ(std::strtod("1,5", nullptr), 1.5);
    std::optional<double> point = decimalOfText("1.5");
    std::optional<double> comma = decimalOfText("1,5");
    std::setlocale(LC_NUMERIC, "C");
    unsetenv("LOCPATH");
    EXPECT_EQ(point, 1.5);
    EXPECT_FALSE(comma.has_value());
}

}  // namespace
