#pragma once

// The calibration report (FFT and MMP calibration): the device's identity and
// coefficients, the table of the five control points and the chart.

#include "ui/reports/report.h"

#include <array>

namespace tals {

class TRepKalibr : public TReport
{
public:
    TRepKalibr();

    TReportLabel &Title;          // "График" until filled
    TReportLabel &FilterDescribe; // "Заводской номер"
    TReportLabel &qrlPlantNumber;
    TReportLabel &qrlHardVersion;
    TReportLabel &qrlSoftVersion;
    TReportLabel &qrlBaza;     // zero offset
    TReportLabel &qrlKkrutZav; // slope correction
    // Point 1 .. 5 at index 0 .. 4 (point 1 is the lowest row).
    std::array<TReportLabel *, 5> qrlKalibrSample{}; // set value
    std::array<TReportLabel *, 5> qrlKalibr{};       // measured value
    std::array<TReportLabel *, 5> qrlKalibrDelta{};  // difference
};

} // namespace tals
