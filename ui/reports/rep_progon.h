#pragma once

// The current-output run report: the device's identity and coefficients, the
// table of the five run points (tape, level, current, their differences and
// the verdict of each), the verdict of the run and the chart.

#include "ui/reports/report.h"

#include <array>

namespace tals {

class TRepProgon : public TReport
{
public:
    TRepProgon();

    TReportLabel &Title;          // "График" until filled
    TReportLabel &FilterDescribe; // "Заводской номер"
    TReportLabel &qrlPlantNumber;
    TReportLabel &qrlHardVersion;
    TReportLabel &qrlSoftVersion;
    TReportLabel &qrlPPM;
    TReportLabel &qrlNNZ;
    TReportLabel &qrlBaza;
    TReportLabel &qrlKkrutZav;
    TReportLabel &qrlAlgoritm;   // right edge at 88.9 mm
    TReportLabel &qrlRunVerdict; // "Годен" or "Не годен" for the whole run
    // Point 1 .. 5 at index 0 .. 4 (point 1 is the top row).
    std::array<TReportLabel *, 5> qrlRuletka{};
    std::array<TReportLabel *, 5> qrlValue{};
    std::array<TReportLabel *, 5> qrlDValue{};
    std::array<TReportLabel *, 5> qrlCurrentValue{};
    std::array<TReportLabel *, 5> qrlDCurrentValue{};
    std::array<TReportLabel *, 5> qrlVerdict{};
};

} // namespace tals
