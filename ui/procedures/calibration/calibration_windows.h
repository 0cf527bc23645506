#pragma once

// The calibration windows "FormKalibr" and "FormKalibrMMP" with the main
// window's actions and the shared report TRepKalibr.

namespace tals {

class TApplication;
class TFormKalibrBase;
class TRepKalibr;

// Title, identity, coefficients, the five rows of control points (row k the
// point with the k-th largest set value; rows past the table are left empty)
// and a copy of the window's chart.
void FillKalibrReport(TRepKalibr &report, TFormKalibrBase &window);

// Registers the two window factories with the started application.
void RegisterCalibrationWindows(TApplication &app);

} // namespace tals
