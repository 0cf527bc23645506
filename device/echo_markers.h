#pragma once

// What the echo curve is read against: the distance of the last reading, the
// range limits, the bad zones in use, the interference threshold and the
// first processed bin, as the device model holds them. Widget-free.

#include <QtGlobal>

#include <vector>

namespace tals {

class Ttals352;

// One bad zone in use, its bounds in mm from the flange (near <= far).
struct TBadZoneSpan
{
    int Number = 0;
    double NearMm = 0;
    double FarMm = 0;
};

struct TEchoMarkers
{
    double DistanceMm = qQNaN(); // the last reading; NaN when none
    double HmaxMm = 0;           // the bottom: the farthest distance measured
    // The distance at which the level reaches Lmax (Hmax - Lmax): the nearest
    // distance of the level range.
    double LmaxDistanceMm = 0;
    std::vector<TBadZoneSpan> BadZones; // zones 1 to CountBadZones of non-zero width
    double ThresholdDb = 0;             // -MUP
    double FirstBin = 0;                // FreqBeg
};

TEchoMarkers EchoMarkersOf(const Ttals352 &model);

} // namespace tals
