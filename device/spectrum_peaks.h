#pragma once

// The strongest echoes of a spectrum: local maxima that stand above the
// noise floor, at least a few bins apart, strongest first. Widget-free.

#include <vector>

namespace tals {

struct TSpectrumPeak
{
    int Bin = 0;
    double Decibels = 0; // relative to the curve's largest value
};

struct TPeakSearch
{
    int MaxCount = 8;        // peaks listed at most
    int MinSeparation = 4;   // bins between two listed peaks, at least
    double AboveFloorDb = 6; // a peak stands this far above the noise floor
};

// The noise floor of a curve in dB: the median of its finite values (NaN
// when it has none).
double NoiseFloorDb(const std::vector<double> &decibels);

// The peaks of a curve given in dB per bin (NaN for a bin without a value).
std::vector<TSpectrumPeak> FindPeaks(const std::vector<double> &decibels,
                                     const TPeakSearch &search = {});

} // namespace tals
