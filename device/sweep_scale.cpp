#include "device/sweep_scale.h"

#include "device/mmp_calibration.h"

#include <cmath>

namespace tals {

bool TSweepScale::Valid() const
{
    return std::isfinite(KrPer) && std::isfinite(FreqDev) && std::isfinite(DPG) && KrPer > 0 &&
           FreqDev > 0 && DPG > 0;
}

double TSweepScale::HalfBinMm() const
{
    if (!Valid())
        return 0;
    return KrPer * kLightSpeedMm / (4.0 * FreqDev * 1e6 * std::sqrt(DPG));
}

double TSweepScale::BinToMm(double bin) const
{
    return HalfBinMm() * (2.0 * bin + 1.0);
}

double TSweepScale::MmToBin(double mm) const
{
    const double half = HalfBinMm();
    if (half <= 0)
        return 0;
    return (mm / half - 1.0) / 2.0;
}

} // namespace tals
