#pragma once

// The chart reports: TRepGraph with one series (array windows, trend window)
// and TRepMultiGraph with several series and a legend below the chart
// (multi-trend window). Both carry the title, the "Отчет за" line and the time
// of printing above the chart.

#include "ui/reports/report.h"

namespace tals {

class TRepGraph : public TReport
{
public:
    TRepGraph();

    TReportLabel &Title;          // "График" until filled
    TReportLabel &FilterDescribe; // "Отчет за" until filled

protected:
    TRepGraph(const QString &name, bool legend);
};

class TRepMultiGraph : public TRepGraph
{
public:
    TRepMultiGraph();
};

} // namespace tals
