#pragma once

// The rules of the MMP calibration over the model's MMP table
// (CalibrTableMMP, CalibrModeMMP points): the wavelengths in the gas and in
// the waveguide, the phase error of every point, the least-squares line of
// phase error against distance that corrects KrFChH and SmFChH, the
// "Исправить +/-15" step, the typical coefficients and the grid texts.
// Widget-free.

#include <QString>

#include <vector>

namespace tals {

class Ttals352;
struct TCalibrTable;

inline constexpr double kTypicalKrFChH = -0.00015;
inline constexpr double kTypicalSmFChH = -2.75;
// Speed of light, mm/s.
inline constexpr double kLightSpeedMm = 299792458000.0;
// The correction step of "Исправить +/-15", mm.
inline constexpr double kMmpCorrectionStep = 15.0;
// Fine-tuning steps of the MMP calibration window.
inline constexpr double kSmFChHStep = 0.1;
inline constexpr double kKrFChHStep = 0.001;

struct TMmpWavelengths
{
    double Gas = 0;      // lambda = c / sqrt(DPG) / (FreqNes + FreqDev / 2), mm
    double Critical = 0; // lambda_c = 3.42 * Radius, mm
    double Guided = 0;   // lambda_g = lambda / sqrt(1 - (lambda / lambda_c)^2), mm
};
// Frequencies in MHz, radius in mm.
TMmpWavelengths MmpWavelengths(double freqNes, double freqDev, double dpg, double radius);

// r_i = 4 pi (measured_i - set_i) / lambda_g over points 1..count.
std::vector<double> MmpPhaseErrors(const TCalibrTable &table, int count, double guided);

// The line r = Slope * s + Offset through the phase errors against the set
// values; both 0 for fewer than two points (or a degenerate table).
struct TMmpLine
{
    double Slope = 0;
    double Offset = 0;
};
TMmpLine MmpPhaseLine(const TCalibrTable &table, int count, double guided);

// The new coefficients: present KrFChH + slope, present SmFChH + offset,
// from the model's table, frequencies, radius and gas permittivity.
struct TMmpResult
{
    double KrFChH = 0;
    double SmFChH = 0;
};
TMmpResult ComputeMmpCoefficients(const Ttals352 &model);

// "Вычислить" of the MMP group: the new coefficients from those the captures
// were taken under: the present KrFChH and SmFChH, or, when the table is the
// one the last computation used, the coefficients that one started from, so
// that a second click does not add the correction twice. Sets both
// coefficients, or neither when one lies outside its range.
struct TMmpComputation
{
    TMmpResult Result;
    bool Applied = false;
    bool Repeated = false;
    QString Refusal; // why nothing was set, for a message
};
TMmpComputation ComputeMmpCalibration(Ttals352 &model);

// Whether KrFChH and SmFChH are within 1e-7 of their typical values.
bool MmpCoefficientsTypical(const Ttals352 &model);
// The question asked before computing with coefficients that are not typical.
QString MmpNotTypicalQuestion(double krFChH, double smFChH);
// The message with the new coefficients.
QString MmpNewValuesMessage(const TMmpResult &result);
// The question of the typical-values button.
QString MmpTypicalValuesQuestion();
// KrFChH and SmFChH typical, the MMP table its five-point defaults.
void SetMmpTypicalValues(Ttals352 &model);

// "Исправить +/-15": when fewer points are not above their set values than
// above, every point below gets +15 mm; otherwise every point above gets
// -15 mm. Returns the number of points moved.
int CorrectMmpTable(TCalibrTable &table, int count);

// The measured cell of the MMP grid: one decimal and the difference to the
// set value in brackets, "8003.0 [+3.0]", "7989.0 [-11.0]", "6000.0 [0.0]".
QString MmpMeasuredText(double set, double measured);

} // namespace tals
