#include "sim/device_physics.h"

#include "device/mmp_calibration.h"
#include "device/sweep_scale.h"

#include <algorithm>
#include <cmath>

namespace tals {

namespace {

TSweepScale Scale(const TSimSettings &s)
{
    return {s.KrPer, s.FreqDev, s.DPG};
}

// Uniform in [-0.5, 0.5).
double Jitter(std::minstd_rand &random)
{
    return std::uniform_real_distribution<double>(-0.5, 0.5)(random);
}

// The spectrum holds power: the program shows it as 10 lg(value / maximum).
double PowerRatio(double db)
{
    return std::pow(10.0, db / 10.0);
}

double Amplitude(double db)
{
    return std::pow(10.0, db / 20.0);
}

} // namespace

double SimPhaseErrorMm(double freeSpace, const TSimSettings &settings,
                       const TSimHiddenErrors &errors)
{
    if (settings.AlgoritmType != 1 && settings.AlgoritmType != 2)
        return 0;
    const double guided =
        MmpWavelengths(settings.FreqNes, settings.FreqDev, settings.DPG, settings.Radius).Guided;
    if (!std::isfinite(guided) || guided <= 0)
        return 0;
    double phi =
        (errors.PhaseSlope - settings.KrFChH) * freeSpace + (errors.PhaseOffset - settings.SmFChH);
    if (settings.AlgoritmType == 1) {
        // Without the jump correction the phase is known only within one turn.
        phi = std::remainder(phi, 2.0 * M_PI);
        if (phi <= -M_PI)
            phi += 2.0 * M_PI;
    }
    return guided / (4.0 * M_PI) * phi;
}

TSimMeasurement SimMeasure(double trueDistance, const TSimSettings &settings,
                           const TSimHiddenErrors &errors, double noiseMm)
{
    const double trueFree = settings.Lmax - settings.Hmax + trueDistance;
    double free = 0;
    if (settings.AlgoritmType == 1 || settings.AlgoritmType == 2) {
        // The phase refines the spectral estimate: only its own error is left.
        free = trueFree + SimPhaseErrorMm(trueFree, settings, errors);
    } else {
        // KrPer × (Slope × s + Offset) + SmPer, its constant part summed first
        // so that a correct calibration gives the truth to the last bit.
        free = settings.KrPer * errors.Slope * trueFree +
               (settings.KrPer * errors.Offset + settings.SmPer);
    }
    free += noiseMm;
    TSimMeasurement m;
    m.Distance = std::max(0.0, settings.Hmax - settings.Lmax + free);
    m.LevelBusy = std::max(0.0, settings.Hmax - m.Distance);
    m.LevelFree = std::max(0.0, settings.Lmax - m.LevelBusy);
    return m;
}

void SimFillSpectrum(std::vector<float> &spectrum, double distance, double height,
                     const std::vector<TSimEcho> &echoes, const TSimSettings &settings,
                     std::minstd_rand &random)
{
    const TSweepScale scale = Scale(settings);
    struct TPeak
    {
        double Bin, Height;
    };
    std::vector<TPeak> peaks{{scale.MmToBin(distance), height}};
    for (const TSimEcho &e : echoes)
        peaks.push_back({scale.MmToBin(e.Mm), height * PowerRatio(e.Db)});
    for (std::size_t k = 0; k < spectrum.size(); ++k) {
        double v = 2.0 + Jitter(random); // the noise floor
        for (const TPeak &p : peaks) {
            const double d = (static_cast<double>(k) - p.Bin) / 1.5;
            v += p.Height * std::exp(-0.5 * d * d);
        }
        spectrum[k] = static_cast<float>(v);
    }
}

void SimFillSignal(std::vector<quint16> &signal, int fftLength, double distance,
                   const std::vector<TSimEcho> &echoes, const TSimSettings &settings,
                   std::minstd_rand &random)
{
    const TSweepScale scale = Scale(settings);
    struct TTone
    {
        double Cycles, Amplitude;
    };
    std::vector<TTone> tones{{scale.MmToBin(distance), 1500.0}};
    for (const TSimEcho &e : echoes)
        tones.push_back({scale.MmToBin(e.Mm), 1500.0 * Amplitude(e.Db)});
    const std::size_t n = signal.size();
    for (std::size_t i = 0; i < n; ++i) {
        // A Hann-shaped envelope, as the receiver's window leaves it.
        const double envelope =
            0.6 + 0.4 * std::sin(M_PI * double(i) / double(std::max<std::size_t>(1, n - 1)));
        double s = 0;
        for (const TTone &t : tones)
            s += t.Amplitude * std::sin(2.0 * M_PI * t.Cycles * double(i) / fftLength);
        signal[i] = static_cast<quint16>(
            std::clamp(2048.0 + envelope * s + 24.0 * Jitter(random), 0.0, 4095.0));
    }
}

double SimLoopCurrent(const TSimMeasurement &m, double temperature, const TSimSettings &settings)
{
    double fraction = 0;
    switch (settings.CurrentInput) {
    case 0:
        fraction = settings.Lmax > 0 ? m.Distance / settings.Lmax : 0;
        break;
    case 2:
        fraction = settings.Lmax > 0 ? m.LevelFree / settings.Lmax : 0;
        break;
    case 3:
        fraction = (temperature + 40.0) / 125.0;
        break;
    default:
        fraction = settings.Lmax > 0 ? m.LevelBusy / settings.Lmax : 0;
        break;
    }
    fraction = std::clamp(fraction, 0.0, 1.0);
    switch (settings.CurrentRange) {
    case 0:
        return 5.0 * fraction;
    case 1:
        return 20.0 * fraction;
    default:
        return 4.0 + 16.0 * fraction;
    }
}

} // namespace tals
