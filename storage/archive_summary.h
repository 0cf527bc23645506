#pragma once

// Minute summaries of a completed day: beside the readings table <name> of a
// day file, the table <name>_minutes holds per minute of the day the first
// and last reading time, the minimum, maximum, sum and count of the values,
// and <name>_minutes_state the row id of the last reading summarised. The
// readings table is never changed; readers that know only it see the same
// rows as before. A summary whose state does not match the readings table
// (rows added after it was built) is built again.

#include "platform/date_time.h"

#include <QString>

#include <vector>

namespace tals {

struct TMinuteSummary
{
    TDateTime First = 0; // time of the minute's first reading
    TDateTime Last = 0;  // time of its last reading
    double Min = 0;
    double Max = 0;
    double Sum = 0;
    qint64 Count = 0;
};

// The minute of the day (0 .. 1439) that dt of day falls in.
int MinuteOfDay(TDateTime dt, TDateTime day);

// The minute summaries of the day file at path (table name), ascending, built
// from the readings and stored in the file when missing or out of date. A file
// that cannot be written gives summaries computed in memory. False when the
// file is missing or is not an archive table.
bool DaySummary(const QString &path, const QString &name, TDateTime day,
                std::vector<TMinuteSummary> &minutes);

// Whether the day file at path holds an up-to-date summary (for tests).
bool HasDaySummary(const QString &path, const QString &name);

} // namespace tals
