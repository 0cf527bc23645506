#include "platform/number_format.h"

#include "tests/platform/settings_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace tals {
namespace {

struct FloatCase
{
    double value;
    TFloatFormat format;
    int precision;
    int digits;
    const char *expected;
};

TEST(FloatToStrF, ClassicRenderingsWithPointSeparator)
{
    const FloatCase cases[] = {
        // general: no trailing zeros, scientific outside 1e-5 .. 10^precision
        {1234567, ffGeneral, 4, 0, "1.235E6"},
        {1234567, ffGeneral, 7, 0, "1234567"},
        {1234567, ffGeneral, 6, 0, "1.23457E6"},
        {1234.5, ffGeneral, 9, 0, "1234.5"},
        {100, ffGeneral, 9, 0, "100"},
        {0.0001, ffGeneral, 15, 0, "0.0001"},
        {0.00001, ffGeneral, 15, 0, "1E-5"},
        {0.000012345, ffGeneral, 15, 2, "1.2345E-05"},
        {1e14, ffGeneral, 15, 0, "100000000000000"},
        {1e15, ffGeneral, 15, 0, "1E15"},
        {-2.5, ffGeneral, 15, 0, "-2.5"},
        {0.1 + 0.2, ffGeneral, 15, 0, "0.3"},
        {2.5, ffGeneral, 1, 0, "3"},
        {-2.5, ffGeneral, 1, 0, "-3"},
        {0, ffGeneral, 9, 0, "0"},
        {9.9999, ffGeneral, 3, 0, "10"},
        // precision above 18 counts as 18
        {1e17, ffGeneral, 25, 0, "100000000000000000"},
        {1e18, ffGeneral, 25, 0, "1E18"},
        {1e18, ffFixed, 40, 1, "1E18"},
        // scientific: signed exponent with at least `digits` digits, trailing zeros kept
        {1234.5, ffExponent, 4, 2, "1.235E+03"},
        {1234.5, ffExponent, 4, 0, "1.235E+3"},
        {0.00012, ffExponent, 3, 4, "1.20E-0004"},
        {-1, ffExponent, 2, 1, "-1.0E+0"},
        {0, ffExponent, 3, 2, "0.00E+00"},
        {5, ffExponent, 1, 1, "5E+0"},
        // fixed: exact decimals, at most `precision` significant digits
        {3.14159, ffFixed, 15, 2, "3.14"},
        {2.675, ffFixed, 15, 2, "2.68"},
        {0.125, ffFixed, 15, 2, "0.13"},
        {123456.789, ffFixed, 7, 2, "123456.80"},
        {0.5, ffFixed, 15, 0, "1"},
        {0.04, ffFixed, 15, 1, "0.0"},
        {-0.001, ffFixed, 15, 2, "0.00"},
        {-7.25, ffFixed, 9, 1, "-7.3"},
        {12, ffFixed, 15, 20, "12.000000000000000000"},
        // fixed falls back to general when the integer part is longer than precision
        {123456789, ffFixed, 4, 2, "1.235E8"},
        {99999.99, ffFixed, 5, 2, "1E5"},
        {12345, ffFixed, 5, 1, "12345.0"},
        // number: thousands separators
        {1234567.891, ffNumber, 15, 2, "1,234,567.89"},
        {-1234.5, ffNumber, 15, 1, "-1,234.5"},
        {999.9, ffNumber, 15, 0, "1,000"},
        {100, ffNumber, 9, 1, "100.0"},
        {123, ffNumber, 9, 0, "123"},
        {123456789, ffNumber, 4, 0, "1.235E8"},
        // currency: the locale's symbol placement
        {1234.5, ffCurrency, 15, 2, "$1,234.50"},
        {-1234.5, ffCurrency, 15, 2, "-$1,234.50"},
    };
    const TFormatSettings s = test::PointSettings();
    for (const FloatCase &c : cases) {
        EXPECT_EQ(FloatToStrF(c.value, c.format, c.precision, c.digits, s),
                  QString::fromUtf8(c.expected))
            << c.value << " format " << c.format << " precision " << c.precision << " digits "
            << c.digits;
    }
}

TEST(FloatToStrF, CommaLocaleUsesItsSeparators)
{
    const FloatCase cases[] = {
        {1234.5, ffGeneral, 9, 0, "1234,5"},
        {1234.5, ffExponent, 4, 2, "1,235E+03"},
        {1234.5, ffFixed, 9, 2, "1234,50"},
        {1234.5, ffNumber, 9, 1, "1 234,5"},
        {100, ffNumber, 9, 1, "100,0"},
        {1234.5, ffCurrency, 15, 2, "1 234,50 р."},
        {-1234.5, ffCurrency, 15, 2, "-1 234,50 р."},
        {0.00001, ffGeneral, 15, 0, "1E-5"},
    };
    const TFormatSettings s = test::CommaSettings();
    for (const FloatCase &c : cases) {
        EXPECT_EQ(FloatToStrF(c.value, c.format, c.precision, c.digits, s),
                  QString::fromUtf8(c.expected))
            << c.value << " format " << c.format;
    }
}

TEST(FloatToStrF, SettingsInForceAndSpecialValues)
{
    test::SettingsGuard guard(test::CommaSettings());
    EXPECT_EQ(FloatToStr(1.5), QStringLiteral("1,5"));
    EXPECT_EQ(FloatToStr(1.0 / 3), QStringLiteral("0,333333333333333"));
    EXPECT_EQ(FloatToStrF(21.44, 2, 9, 0), QStringLiteral("21"));
    EXPECT_EQ(FloatToStrF(21.44, 7, 9, 0), QStringLiteral("21,44")); // unknown code: general
    EXPECT_EQ(FloatToStr(std::numeric_limits<double>::infinity()), QStringLiteral("INF"));
    EXPECT_EQ(FloatToStr(-std::numeric_limits<double>::infinity()), QStringLiteral("-INF"));
    EXPECT_EQ(FloatToStrF(std::nan(""), ffFixed, 9, 2), QStringLiteral("NAN"));
}

TEST(FormatFloat, PrintfStyleWithLocaleSeparator)
{
    struct Case
    {
        const char *format;
        double value;
        const char *expected;
    };
    const Case cases[] = {
        {"%10.3f", 3.14159, "     3.142"},
        {"%.0f", 2.5, "3"},
        {"%.0f", -0.4, "0"},
        {"%f", 1, "1.000000"},
        {"%-8.2f|", 1.5, "1.50    |"},
        {"%08.2f", -1.5, "-0001.50"},
        {"%+.1f", 2, "+2.0"},
        {"x=%.1f%%", 12.34, "x=12.3%"},
        {"%.2f", 12345678901234567890.0, "12345678901234567000.00"},
        {"%.3e", 1234.5, "1.235e+03"},
        {"%g", 0.5, "0.5"},
        {"%d", 41.6, "42"},
        {"%5d", -3, "   -3"},
        {"%s", 2.25, "2.25"},
        {"%.1f .. %.1f", 1.25, "1.3 .. 1.3"},
        {"%q", 1, "%q"},
        {"100%", 1, "100%"},
    };
    const TFormatSettings s = test::PointSettings();
    for (const Case &c : cases)
        EXPECT_EQ(FormatFloat(QString::fromUtf8(c.format), c.value, s),
                  QString::fromUtf8(c.expected))
            << c.format;
    test::SettingsGuard guard(test::CommaSettings());
    EXPECT_EQ(FormatFloat(QStringLiteral("%10.3f"), 3.14159), QStringLiteral("     3,142"));
}

TEST(TryStrToFloat, AcceptsOnlyTheLocaleSeparator)
{
    struct Case
    {
        const char *text;
        bool ok;
        double value;
    };
    const Case commaCases[] = {
        {"1,5", true, 1.5},      {"  -2,25 ", true, -2.25}, {"+3", true, 3},
        {",5", true, 0.5},       {"2,", true, 2},           {"1e3", true, 1000},
        {"1,5E-2", true, 0.015}, {"1.5", false, 0},         {"1 000", false, 0},
        {"1,2,3", false, 0},     {"1e", false, 0},          {"", false, 0},
        {"   ", false, 0},       {"abc", false, 0},         {"-", false, 0},
        {"1e999", false, 0},     {"nan", false, 0},
    };
    const TFormatSettings comma = test::CommaSettings();
    for (const Case &c : commaCases) {
        double value = -99;
        EXPECT_EQ(TryStrToFloat(QString::fromUtf8(c.text), value, comma), c.ok) << c.text;
        EXPECT_DOUBLE_EQ(value, c.ok ? c.value : -99) << c.text;
    }
    const TFormatSettings point = test::PointSettings();
    double value = 0;
    EXPECT_TRUE(TryStrToFloat(QStringLiteral("1.5"), value, point));
    EXPECT_DOUBLE_EQ(value, 1.5);
    EXPECT_FALSE(TryStrToFloat(QStringLiteral("1,5"), value, point));

    test::SettingsGuard guard(comma);
    EXPECT_DOUBLE_EQ(StrToFloatDef(QStringLiteral("0,25"), 7), 0.25);
    EXPECT_DOUBLE_EQ(StrToFloatDef(QStringLiteral("0.25"), 7), 7);
}

TEST(TryStrToFloat, ReadsBackWhatFloatToStrWrites)
{
    const double values[] = {0, 1.5, -2.75, 1e-7, 123456.789, 1e20, 0.1 + 0.2};
    for (const TFormatSettings &s : {test::CommaSettings(), test::PointSettings()}) {
        for (double v : values) {
            double back = -1;
            ASSERT_TRUE(TryStrToFloat(FloatToStr(v, s), back, s)) << FloatToStr(v, s).toStdString();
            EXPECT_NEAR(back, v, std::fabs(v) * 1e-14);
        }
    }
}

TEST(TryStrToInt, DecimalAndHexadecimal)
{
    struct Case
    {
        const char *text;
        bool ok;
        int value;
    };
    const Case cases[] = {
        {"42", true, 42},
        {" -7 ", true, -7},
        {"$FF", true, 255},
        {"0x10", true, 16},
        {"-$10", true, -16},
        {"$FFFFFFFF", true, -1},
        {"2147483647", true, INT32_MAX},
        {"-2147483648", true, INT32_MIN},
        {"2147483648", false, 0},
        {"12a", false, 0},
        {"1.0", false, 0},
        {"", false, 0},
        {"0x", false, 0},
        {"99999999999", false, 0},
    };
    for (const Case &c : cases) {
        int value = -99;
        EXPECT_EQ(TryStrToInt(QString::fromUtf8(c.text), value), c.ok) << c.text;
        EXPECT_EQ(value, c.ok ? c.value : -99) << c.text;
    }
    EXPECT_EQ(StrToIntDef(QStringLiteral("x"), 5), 5);
}

} // namespace
} // namespace tals
