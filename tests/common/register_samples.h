#pragma once

#include "device/register_table.h"

#include <cmath>

namespace tals::test {

// A valid value different from the typical one for a register property,
// accepted by the model's setter and by the device.
inline double SampleValue(const TPropertyInfo &p)
{
    switch (p.Id) {
    case TProp::Hmax:
        return 25000.5;
    case TProp::Lmax:
        return 20000.25;
    case TProp::LevelKalibr:
        return 1234.75;
    case TProp::DSdelta:
        return -1234;
    case TProp::PlantNumber:
        return 54321;
    case TProp::CalibrModeTals:
        return 0;
    default:
        break;
    }
    const double max = std::isfinite(p.Max) ? p.Max : p.Min + 1000;
    double v = p.Min + (max - p.Min) * 0.37;
    if (!p.IsReal())
        v = std::round(v);
    if (v == p.Default)
        v = p.IsReal() ? (v + max) / 2 : max;
    return v;
}

} // namespace tals::test
