#include "platform/date_time.h"

#include "tests/platform/settings_fixture.h"

#include <gtest/gtest.h>

namespace tals {
namespace {

TEST(DateTime, EpochAndUnits)
{
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
    EXPECT_EQ(EncodeDate(1900, 1, 1), 2.0);
    EXPECT_EQ(EncodeDate(2000, 1, 1), 36526.0);
    EXPECT_EQ(EncodeDate(2026, 12, 10), 46366.0);
    EXPECT_DOUBLE_EQ(EncodeTime(0, 1, 0, 0), 1.0 / 1440);
    EXPECT_DOUBLE_EQ(EncodeTime(0, 0, 1, 0), 1.0 / 86400);
    EXPECT_DOUBLE_EQ(EncodeTime(12, 0, 0, 0), 0.5);
    EXPECT_DOUBLE_EQ(EncodeDateTime(2000, 1, 1, 6, 0, 0, 0), 36526.25);
    // Invalid parts give 0.
    EXPECT_EQ(EncodeDate(2026, 2, 30), 0.0);
    EXPECT_EQ(EncodeTime(24, 0, 0, 0), 0.0);
    TDateTime dt = 5;
    EXPECT_FALSE(TryEncodeDateTime(2026, 13, 1, 0, 0, 0, 0, dt));
    EXPECT_EQ(dt, 5.0);
}

TEST(DateTime, EncodeDecodeRoundTrip)
{
    struct Parts
    {
        int y, m, d, h, n, s, z;
    };
    const Parts cases[] = {
        {1899, 12, 30, 0, 0, 0, 0},     {2026, 3, 5, 7, 8, 9, 12},
        {2024, 2, 29, 23, 59, 59, 999}, {1970, 1, 1, 0, 0, 0, 1},
        {9999, 12, 31, 12, 30, 0, 500}, {1899, 12, 29, 6, 0, 0, 0},
        {1800, 6, 15, 18, 45, 30, 250},
    };
    for (const Parts &c : cases) {
        const TDateTime dt = EncodeDateTime(c.y, c.m, c.d, c.h, c.n, c.s, c.z);
        Parts back{};
        DecodeDateTime(dt, back.y, back.m, back.d, back.h, back.n, back.s, back.z);
        EXPECT_EQ(std::tie(back.y, back.m, back.d, back.h, back.n, back.s, back.z),
                  std::tie(c.y, c.m, c.d, c.h, c.n, c.s, c.z))
            << c.y << "-" << c.m << "-" << c.d;
    }
    // Before the epoch the fraction still counts forward from midnight.
    EXPECT_DOUBLE_EQ(EncodeDateTime(1899, 12, 29, 6, 0, 0, 0), -1.25);
    EXPECT_DOUBLE_EQ(DateOf(-1.25), -1.0);
    EXPECT_DOUBLE_EQ(TimeOf(-1.25), 0.25);
}

TEST(DateTime, PartsAndDays)
{
    const TDateTime dt = EncodeDateTime(2026, 12, 31, 18, 0, 0, 0);
    EXPECT_DOUBLE_EQ(DateOf(dt), EncodeDate(2026, 12, 31));
    EXPECT_DOUBLE_EQ(TimeOf(dt), 0.75);
    EXPECT_DOUBLE_EQ(IncDay(dt), EncodeDateTime(2027, 1, 1, 18, 0, 0, 0));
    EXPECT_DOUBLE_EQ(IncDay(dt, -365), EncodeDateTime(2025, 12, 31, 18, 0, 0, 0));
    // A value a hair below midnight rounds to the next day's midnight.
    EXPECT_DOUBLE_EQ(DateOf(EncodeDate(2026, 1, 2) - 1e-10), EncodeDate(2026, 1, 2));
}

TEST(DateTime, QDateTimeConversionIsLocalTime)
{
    const QDateTime qdt(QDate(2026, 7, 1), QTime(13, 14, 15, 16));
    const TDateTime dt = FromQDateTime(qdt);
    EXPECT_DOUBLE_EQ(dt, EncodeDateTime(2026, 7, 1, 13, 14, 15, 16));
    EXPECT_EQ(ToQDateTime(dt), qdt);
    EXPECT_EQ(ToQDateTime(dt).timeSpec(), Qt::LocalTime);
    // A UTC moment is taken as the local clock shows it (Moscow is UTC+3).
    const QDateTime utc(QDate(2026, 7, 1), QTime(10, 0), Qt::UTC);
    EXPECT_DOUBLE_EQ(FromQDateTime(utc), EncodeDateTime(2026, 7, 1, 13, 0, 0, 0));
    const TDateTime now = Now();
    EXPECT_LE(std::abs(ToQDateTime(now).msecsTo(QDateTime::currentDateTime())), 2000);
}

TEST(DateTime, TextRenderings)
{
    const TDateTime dt = EncodeDateTime(2026, 3, 5, 7, 8, 9, 12);
    EXPECT_EQ(JournalStamp(dt), QStringLiteral("05.03.2026 07:08:09,012"));
    EXPECT_EQ(JournalStamp(EncodeDate(2026, 12, 31)), QStringLiteral("31.12.2026 00:00:00,000"));
    EXPECT_EQ(FileDate8(dt), QStringLiteral("20260305"));
    EXPECT_EQ(FileDate6(dt), QStringLiteral("260305"));
    EXPECT_EQ(FileTime6(dt), QStringLiteral("070809"));

    const TFormatSettings ru = test::CommaSettings();
    EXPECT_EQ(DateTimeToStr(dt, ru), QStringLiteral("05.03.2026 07:08:09"));
    // Exactly midnight shows the date alone; a millisecond later it does not.
    EXPECT_EQ(DateTimeToStr(EncodeDate(2026, 3, 5), ru), QStringLiteral("05.03.2026"));
    EXPECT_EQ(DateTimeToStr(EncodeDateTime(2026, 3, 5, 0, 0, 0, 1), ru),
              QStringLiteral("05.03.2026 00:00:00"));
    EXPECT_EQ(DateTimeToStr(dt, test::PointSettings()), QStringLiteral("03/05/2026 07:08:09"));

    test::SettingsGuard guard(ru);
    EXPECT_EQ(DateTimeToStr(dt), QStringLiteral("05.03.2026 07:08:09"));
    EXPECT_EQ(DateToStr(dt), QStringLiteral("05.03.2026"));
    EXPECT_EQ(TimeToStr(dt), QStringLiteral("07:08:09"));
}

TEST(FormatSettings, RussianLocaleConventions)
{
    const TFormatSettings ru = LocaleFormatSettings(QStringLiteral("ru_RU"));
    EXPECT_EQ(ru.DecimalSeparator, QLatin1Char(','));
    EXPECT_FALSE(ru.ThousandSeparator.isNull());
    EXPECT_EQ(ru.ShortDateFormat, QStringLiteral("dd.MM.yyyy"));
    EXPECT_EQ(ru.LongTimeFormat, QStringLiteral("HH:mm:ss"));
    EXPECT_EQ(LocaleFormatSettings(QStringLiteral("en_US")).DecimalSeparator, QLatin1Char('.'));
}

} // namespace
} // namespace tals
