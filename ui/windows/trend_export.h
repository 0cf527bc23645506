#pragma once

// The trend windows' exports: the shown range at the shown resolution as a
// CSV file (ISO or for a Russian spreadsheet), the chart as a PNG picture,
// and both to the clipboard (picture and text).

#include "storage/trend_csv.h"

#include <QString>

#include <functional>
#include <vector>

class QCustomPlot;

namespace tals {

class TTrendExport
{
public:
    using TSeriesSource = std::function<std::vector<TCsvSeries>()>;

    TTrendExport(QCustomPlot *chart, TSeriesSource series, QString folder);

    // Asks for the file; false when cancelled or not written (with a message).
    bool SaveCsv(TCsvFormat format) const;
    bool SavePng() const;
    void CopyToClipboard() const;

private:
    QString AskPath(const QString &caption, const QString &filter, const QString &suffix) const;

    QCustomPlot *m_chart;
    TSeriesSource m_series;
    QString m_folder;
};

} // namespace tals
