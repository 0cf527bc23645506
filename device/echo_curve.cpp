#include "device/echo_curve.h"

#include "device/tals352.h"

#include <algorithm>
#include <cmath>

namespace tals {

double TEchoCurve::Maximum() const
{
    double maximum = 0;
    for (double v : Values)
        maximum = std::max(maximum, v);
    return maximum;
}

std::vector<double> TEchoCurve::Decibels() const
{
    const double maximum = Maximum();
    std::vector<double> result(Values.size(), qQNaN());
    if (!(maximum > 0))
        return result;
    for (std::size_t i = 0; i < Values.size(); ++i)
        if (Values[i] > 0)
            result[i] = 10 * std::log10(Values[i] / maximum);
    return result;
}

std::vector<double> AlignedDecibels(const TEchoCurve &curve, const TSweepScale &onto, int bins)
{
    std::vector<double> result(std::size_t(std::max(0, bins)), qQNaN());
    const std::vector<double> own = curve.Decibels();
    const int n = int(own.size());
    if (n == 0 || !curve.Scale.Valid() || !onto.Valid())
        return result;
    for (int j = 0; j < bins; ++j) {
        const double b = curve.Scale.MmToBin(onto.BinToMm(j));
        if (!(b >= 0) || b > n - 1)
            continue;
        const int i = std::min(int(b), n - 2 >= 0 ? n - 2 : 0);
        const double t = b - i;
        const double a = own[std::size_t(i)];
        const double c = n > 1 ? own[std::size_t(i + 1)] : a;
        if (t == 0)
            result[std::size_t(j)] = a;
        else if (std::isfinite(a) && std::isfinite(c))
            result[std::size_t(j)] = a + (c - a) * t;
    }
    return result;
}

TSweepScale SweepScaleOf(const Ttals352 &model)
{
    return TSweepScale{model.KrPer(), model.FreqDev(), model.DPG()};
}

TEchoCurve EchoCurveOf(const Ttals352 &model, TDateTime time)
{
    TEchoCurve curve;
    curve.Time = time;
    curve.PlantNumber = model.PlantNumber();
    curve.Scale = SweepScaleOf(model);
    curve.Distance = model.Distance().Output().ToDouble();
    curve.Values.assign(model.SpectrumArray.begin(), model.SpectrumArray.end());
    return curve;
}

} // namespace tals
