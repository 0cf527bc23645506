#pragma once

// One echo curve: the spectrum's 512 values as read from the transducer,
// with what places them on the distance scale (KrPer, FreqDev, DPG), the
// plant number, the time of the readout and the distance read then.
// Widget-free.

#include "device/sweep_scale.h"
#include "platform/date_time.h"

#include <QtGlobal>

#include <vector>

namespace tals {

class Ttals352;

struct TEchoCurve
{
    TDateTime Time = 0;
    quint16 PlantNumber = 0;
    TSweepScale Scale;
    double Distance = qQNaN();  // mm; NaN when no reading is known
    std::vector<double> Values; // linear, as the device sends them

    // The largest value and 0.
    double Maximum() const;
    // 10 * log10(value / maximum) per bin; NaN for a value at or below 0,
    // all NaN for a curve whose maximum is 0.
    std::vector<double> Decibels() const;
};

// The curve's decibels at the distances of the bins of another scale
// (linear between its own bins; NaN outside them): two curves read with
// different KrPer compared at the same distance.
std::vector<double> AlignedDecibels(const TEchoCurve &curve, const TSweepScale &onto, int bins);

// The sweep scale of the device's present registers.
TSweepScale SweepScaleOf(const Ttals352 &model);
// The model's present spectrum with its scale, plant number and distance.
TEchoCurve EchoCurveOf(const Ttals352 &model, TDateTime time);

} // namespace tals
