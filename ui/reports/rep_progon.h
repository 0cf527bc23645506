#pragma once

// The current-output run report: the device's identity and coefficients, the
// table of the five run points (tape, level, current and their differences)
// and the chart.

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
    TReportLabel &qrlAlgoritm; // right edge at 88.9 mm
    // Point 1 .. 5 at index 0 .. 4 (point 1 is the top row).
    std::array<TReportLabel *, 5> qrlRuletka{};
    std::array<TReportLabel *, 5> qrlValue{};
    std::array<TReportLabel *, 5> qrlDValue{};
    std::array<TReportLabel *, 5> qrlCurrentValue{};
    std::array<TReportLabel *, 5> qrlDCurrentValue{};
};

} // namespace tals
