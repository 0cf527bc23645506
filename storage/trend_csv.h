#pragma once

// Trend points as a CSV file for spreadsheets: a header row "Время" and one
// column per series, one row per point time (ISO 8601, local time, to the
// millisecond) with the series aligned on time and empty cells where a
// series has no point; values with a decimal point; UTF-8 with a byte-order
// mark and CR LF line ends.

#include "storage/archive.h"

#include <QByteArray>
#include <QString>

#include <vector>

namespace tals {

struct TCsvSeries
{
    QString title;
    std::vector<TArchiveRow> rows; // ascending DT
};

// "2026-12-08T14:03:05" (".zzz" added when the milliseconds are not 0).
QString IsoDateTime(TDateTime dt);

QByteArray TrendCsv(const std::vector<TCsvSeries> &series);
// False when the file could not be written.
bool WriteTrendCsv(const QString &path, const std::vector<TCsvSeries> &series);

} // namespace tals
