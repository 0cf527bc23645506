#include "platform/date_time.h"

#include <QDate>
#include <QTime>

#include <cmath>
#include <cstdlib>

namespace tals {

namespace {

constexpr qint64 MSecsInDay = 86400000;

qint64 BaseJulianDay()
{
    return QDate(1899, 12, 30).toJulianDay();
}

// Whole days and the milliseconds of the day, rounded to the millisecond.
void Split(TDateTime dt, qint64 &days, qint64 &msecs)
{
    // Far outside the years 1..9999 the value means nothing; it must not overflow.
    if (!std::isfinite(dt) || std::fabs(dt) > 1e7) {
        days = 0;
        msecs = 0;
        return;
    }
    const qint64 total = std::llround(dt * MSecsPerDay);
    days = total / MSecsInDay; // truncates toward zero
    msecs = std::llabs(total) % MSecsInDay;
}

TDateTime Combine(TDateTime date, TDateTime time)
{
    return date < 0 ? date - time : date + time;
}

} // namespace

TDateTime Now()
{
    return FromQDateTime(QDateTime::currentDateTime());
}

TDateTime DateOf(TDateTime dt)
{
    qint64 days, msecs;
    Split(dt, days, msecs);
    return double(days);
}

TDateTime TimeOf(TDateTime dt)
{
    qint64 days, msecs;
    Split(dt, days, msecs);
    return double(msecs) / MSecsPerDay;
}

TDateTime EncodeDate(int year, int month, int day)
{
    TDateTime dt = 0;
    TryEncodeDateTime(year, month, day, 0, 0, 0, 0, dt);
    return dt;
}

TDateTime EncodeTime(int hour, int minute, int second, int msec)
{
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
        msec < 0 || msec > 999)
        return 0;
    return double(((hour * 60 + minute) * 60 + second) * 1000 + msec) / MSecsPerDay;
}

bool TryEncodeDateTime(int year, int month, int day, int hour, int minute, int second, int msec,
                       TDateTime &dt)
{
    const QDate date(year, month, day);
    if (!date.isValid() || year < 1 || year > 9999 || hour < 0 || hour > 23 || minute < 0 ||
        minute > 59 || second < 0 || second > 59 || msec < 0 || msec > 999)
        return false;
    dt = Combine(double(date.toJulianDay() - BaseJulianDay()),
                 EncodeTime(hour, minute, second, msec));
    return true;
}

TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int msec)
{
    TDateTime dt = 0;
    TryEncodeDateTime(year, month, day, hour, minute, second, msec, dt);
    return dt;
}

void DecodeDateTime(TDateTime dt, int &year, int &month, int &day, int &hour, int &minute,
                    int &second, int &msec)
{
    qint64 days, msecs;
    Split(dt, days, msecs);
    const QDate date = QDate::fromJulianDay(BaseJulianDay() + days);
    year = date.year();
    month = date.month();
    day = date.day();
    hour = int(msecs / 3600000);
    minute = int(msecs / 60000 % 60);
    second = int(msecs / 1000 % 60);
    msec = int(msecs % 1000);
}

void DecodeDate(TDateTime dt, int &year, int &month, int &day)
{
    int h, n, s, z;
    DecodeDateTime(dt, year, month, day, h, n, s, z);
}

void DecodeTime(TDateTime dt, int &hour, int &minute, int &second, int &msec)
{
    int y, m, d;
    DecodeDateTime(dt, y, m, d, hour, minute, second, msec);
}

QDate ToQDate(TDateTime dt)
{
    qint64 days, msecs;
    Split(dt, days, msecs);
    return QDate::fromJulianDay(BaseJulianDay() + days);
}

QDateTime ToQDateTime(TDateTime dt)
{
    qint64 days, msecs;
    Split(dt, days, msecs);
    return QDateTime(QDate::fromJulianDay(BaseJulianDay() + days),
                     QTime::fromMSecsSinceStartOfDay(int(msecs)));
}

TDateTime FromQDateTime(const QDateTime &qdt)
{
    if (!qdt.isValid())
        return 0;
    const QDateTime local = qdt.toLocalTime();
    return Combine(double(local.date().toJulianDay() - BaseJulianDay()),
                   double(local.time().msecsSinceStartOfDay()) / MSecsPerDay);
}

TDateTime IncDay(TDateTime dt, int days)
{
    return dt + days;
}

QString JournalStamp(TDateTime dt)
{
    int y, m, d, h, n, s, z;
    DecodeDateTime(dt, y, m, d, h, n, s, z);
    return QStringLiteral("%1.%2.%3 %4:%5:%6,%7")
        .arg(d, 2, 10, QLatin1Char('0'))
        .arg(m, 2, 10, QLatin1Char('0'))
        .arg(y, 4, 10, QLatin1Char('0'))
        .arg(h, 2, 10, QLatin1Char('0'))
        .arg(n, 2, 10, QLatin1Char('0'))
        .arg(s, 2, 10, QLatin1Char('0'))
        .arg(z, 3, 10, QLatin1Char('0'));
}

QString DateTimeToStr(TDateTime dt, const TFormatSettings &settings)
{
    qint64 days, msecs;
    Split(dt, days, msecs);
    const QString date =
        QDate::fromJulianDay(BaseJulianDay() + days).toString(settings.ShortDateFormat);
    if (msecs == 0)
        return date;
    return date + QLatin1Char(' ') +
           QTime::fromMSecsSinceStartOfDay(int(msecs)).toString(settings.LongTimeFormat);
}

QString DateTimeToStr(TDateTime dt)
{
    return DateTimeToStr(dt, FormatSettings());
}

QString DateToStr(TDateTime dt)
{
    return ToQDate(dt).toString(FormatSettings().ShortDateFormat);
}

QString TimeToStr(TDateTime dt)
{
    qint64 days, msecs;
    Split(dt, days, msecs);
    return QTime::fromMSecsSinceStartOfDay(int(msecs)).toString(FormatSettings().LongTimeFormat);
}

QString FileDate8(TDateTime dt)
{
    return ToQDate(dt).toString(QStringLiteral("yyyyMMdd"));
}

QString FileDate6(TDateTime dt)
{
    return ToQDate(dt).toString(QStringLiteral("yyMMdd"));
}

QString FileTime6(TDateTime dt)
{
    qint64 days, msecs;
    Split(dt, days, msecs);
    return QTime::fromMSecsSinceStartOfDay(int(msecs)).toString(QStringLiteral("HHmmss"));
}

} // namespace tals
