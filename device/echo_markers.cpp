#include "device/echo_markers.h"

#include "device/tals352.h"

#include <algorithm>
#include <cmath>

namespace tals {

TEchoMarkers EchoMarkersOf(const Ttals352 &model)
{
    TEchoMarkers markers;
    const double distance = model.Distance().Output().ToDouble();
    if (std::isfinite(distance))
        markers.DistanceMm = distance;
    markers.HmaxMm = model.Hmax();
    markers.LmaxDistanceMm = std::max(0.0, model.Hmax() - model.Lmax());
    const int count = std::clamp(int(model.CountBadZones()), 0, kBadZoneCount);
    for (int z = 1; z <= count; ++z) {
        const TBadZone &zone = model.BadZones().Zone(z);
        const double a = zone.NearBound.Output().ToDouble();
        const double b = zone.FarBound.Output().ToDouble();
        if (!std::isfinite(a) || !std::isfinite(b) || a == b)
            continue;
        markers.BadZones.push_back({z, std::min(a, b), std::max(a, b)});
    }
    markers.ThresholdDb = -double(model.MUP());
    markers.FirstBin = model.FreqBeg();
    return markers;
}

} // namespace tals
