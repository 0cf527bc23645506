#pragma once

// The physics of one simulated transducer, apart from its registers and the
// line: the conversion of the true free space into the reported one (the
// hidden conversion error that the FFT calibration corrects, the phase error
// that the MMP calibration corrects), the spectrum and the beat signal on the
// sweep's own distance scale, and the loop current of the current output.
// Plain functions of values, so they are tested without a line.

#include <QtGlobal>

#include <random>
#include <vector>

namespace tals {

// What the device's registers say, as the physics needs it.
struct TSimSettings
{
    double Hmax = 30000;  // mm
    double Lmax = 30000;  // mm
    double KrPer = 1;     // slope of the conversion characteristic
    double SmPer = 0.001; // its offset, mm
    double KrFChH = -0.00015;
    double SmFChH = -2.75;        // rad
    double Radius = 30000;        // waveguide radius, mm
    double FreqNes = 9072;        // carrier, MHz
    double FreqDev = 1056.774048; // deviation, MHz
    double DPG = 1.00059;         // gas permittivity
    int AlgoritmType = 0;         // 0 FFT, 1 FFT + MMP wrapped, 2 FFT + MMP unwrapped
    int CurrentInput = 1;         // 0 distance, 1 level, 2 free space, 3 temperature
    int CurrentRange = 2;         // 0 "0-5 мА", 1 "0-20 мА", 2 "4-20 мА"
};

// The errors hidden in a device. Raw spectral estimate x = Slope × true
// free space + Offset; the phase method's error is lambda_g / (4 pi) × phi
// with phi = (PhaseSlope - KrFChH) × s + (PhaseOffset - SmFChH).
struct TSimHiddenErrors
{
    double Slope = 1;
    // With the factory coefficients (KrPer 1, SmPer 0.001) this device
    // reports the truth: the factory calibration is its correct one.
    double Offset = -static_cast<double>(0.001f); // SmPer as the device keeps it
    double PhaseSlope = -0.00015;
    double PhaseOffset = -2.75;
};

// The visibly-off errors a stand-alone simulator starts with.
inline constexpr TSimHiddenErrors kVisibleErrors{1.004, -12.0, -0.00012, -0.3};

// A fixed obstacle: its distance and its level relative to the surface, dB
// of the spectrum's values (10 lg), as the spectrum window shows them.
struct TSimEcho
{
    double Mm = 0;
    double Db = 0;
};

struct TSimMeasurement
{
    double Distance = 0;  // reported: Hmax - level
    double LevelBusy = 0; // reported level, at least 0
    double LevelFree = 0; // reported free space, at least 0
};

// The phase method's distance error for the free space s, mm; phi wrapped
// into (-pi, pi] when AlgoritmType is 1; 0 for an algorithm without MMP.
double SimPhaseErrorMm(double freeSpace, const TSimSettings &settings,
                       const TSimHiddenErrors &errors);

// What the device reports for the true distance, with `noiseMm` added to
// the measured free space.
TSimMeasurement SimMeasure(double trueDistance, const TSimSettings &settings,
                           const TSimHiddenErrors &errors, double noiseMm = 0);

// The spectrum: a peak at the bin of `distance` on the sweep's scale over a
// noise floor, and one peak per echo, `height` the surface peak's height.
void SimFillSpectrum(std::vector<float> &spectrum, double distance, double height,
                     const std::vector<TSimEcho> &echoes, const TSimSettings &settings,
                     std::minstd_rand &random);

// The beat signal: 12-bit samples of a sweep whose frequency follows the
// distance on the same scale (one cycle per FFT length for each bin).
void SimFillSignal(std::vector<quint16> &signal, int fftLength, double distance,
                   const std::vector<TSimEcho> &echoes, const TSimSettings &settings,
                   std::minstd_rand &random);

// The loop current of the current output, mA: its source quantity over the
// span Lmax (temperature over -40 to +85 °C) in its range.
double SimLoopCurrent(const TSimMeasurement &m, double temperature, const TSimSettings &settings);

} // namespace tals
