#pragma once

// The tube test report: the title, the chart of the measurement error over the
// set distance and the time of printing below the chart.

#include "ui/reports/report.h"

namespace tals {

class TRepTestTube : public TReport
{
public:
    TRepTestTube();

    TReportLabel &qrlTitle; // "Крутизна" until filled
};

} // namespace tals
