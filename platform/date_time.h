#pragma once

// Date-time values as real numbers of days since 30 December 1899, local
// time, with the time of day as the fraction (one minute is 1/1440). Days
// before that date are negative, the fraction then still counting forward
// from midnight (-1.25 is 29.12.1899 06:00).

#include "platform/format_settings.h"

#include <QDateTime>
#include <QString>

namespace tals {

using TDateTime = double;

inline constexpr double MinutesPerDay = 1440.0;
inline constexpr double SecondsPerDay = 86400.0;
inline constexpr double MSecsPerDay = 86400000.0;

// The current local date and time.
TDateTime Now();
// The date part (midnight of the day) and the time part (0 <= t < 1).
TDateTime DateOf(TDateTime dt);
TDateTime TimeOf(TDateTime dt);
// Composes a date, a time of day or both; invalid parts give 0 and false
// from the Try variants.
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int msec);
TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int msec);
bool TryEncodeDateTime(int year, int month, int day, int hour, int minute, int second, int msec,
                       TDateTime &dt);
// Splits a value into its parts, rounded to the millisecond.
void DecodeDateTime(TDateTime dt, int &year, int &month, int &day, int &hour, int &minute,
                    int &second, int &msec);
void DecodeDate(TDateTime dt, int &year, int &month, int &day);
void DecodeTime(TDateTime dt, int &hour, int &minute, int &second, int &msec);
// Conversion to and from QDateTime in local time.
QDateTime ToQDateTime(TDateTime dt);
TDateTime FromQDateTime(const QDateTime &qdt);
QDate ToQDate(TDateTime dt);
// dt moved by whole days.
TDateTime IncDay(TDateTime dt, int days = 1);

// Journal time stamp "dd.mm.yyyy hh:nn:ss,zzz", e.g. "05.03.2026 07:08:09,012".
QString JournalStamp(TDateTime dt);
// The locale's short date and long time joined by a blank; the time is left
// out when it is exactly midnight.
QString DateTimeToStr(TDateTime dt);
QString DateTimeToStr(TDateTime dt, const TFormatSettings &settings);
// The locale's short date / long time alone.
QString DateToStr(TDateTime dt);
QString TimeToStr(TDateTime dt);
// Parts of file names: yyyymmdd, yymmdd and hhnnss.
QString FileDate8(TDateTime dt);
QString FileDate6(TDateTime dt);
QString FileTime6(TDateTime dt);

} // namespace tals
