#pragma once

// Trend points as a CSV file for spreadsheets: a header row "Время" and one
// column per series, one row per point time (local time, to the millisecond)
// with the series aligned on time and empty cells where a series has no
// point; UTF-8 with a byte-order mark and CR LF line ends. Two formats: ISO
// (times "2026-12-08T14:03:05", "," between fields, "." in numbers) and the
// one Russian spreadsheets read as columns ("08.12.2026 14:03:05", ";"
// between fields, "," in numbers).

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

enum class TCsvFormat { Iso, Russian };

// Russian when the user's decimal separator is a comma, else ISO.
TCsvFormat LocaleCsvFormat();

// "2026-12-08T14:03:05" (".zzz" added when the milliseconds are not 0).
QString IsoDateTime(TDateTime dt);

QByteArray TrendCsv(const std::vector<TCsvSeries> &series, TCsvFormat format = TCsvFormat::Iso);
// False when the file could not be written.
bool WriteTrendCsv(const QString &path, const std::vector<TCsvSeries> &series,
                   TCsvFormat format = TCsvFormat::Iso);

} // namespace tals
