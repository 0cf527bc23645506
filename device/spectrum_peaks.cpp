#include "device/spectrum_peaks.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace tals {

double NoiseFloorDb(const std::vector<double> &decibels)
{
    std::vector<double> finite;
    finite.reserve(decibels.size());
    for (double v : decibels)
        if (std::isfinite(v))
            finite.push_back(v);
    if (finite.empty())
        return std::numeric_limits<double>::quiet_NaN();
    const auto middle = finite.begin() + std::ptrdiff_t(finite.size() / 2);
    std::nth_element(finite.begin(), middle, finite.end());
    return *middle;
}

std::vector<TSpectrumPeak> FindPeaks(const std::vector<double> &decibels, const TPeakSearch &search)
{
    const double floor = NoiseFloorDb(decibels);
    if (!std::isfinite(floor))
        return {};
    const int n = int(decibels.size());
    // A bin without a value counts as lower than any with one.
    auto at = [&](int i) {
        if (i < 0 || i >= n || !std::isfinite(decibels[std::size_t(i)]))
            return -std::numeric_limits<double>::infinity();
        return decibels[std::size_t(i)];
    };
    std::vector<TSpectrumPeak> candidates;
    for (int i = 0; i < n; ++i) {
        const double v = at(i);
        // Strictly above the left neighbour and not below the right: a flat
        // top counts once, at its first bin.
        if (std::isfinite(v) && v >= floor + search.AboveFloorDb && v > at(i - 1) && v >= at(i + 1))
            candidates.push_back({i, v});
    }
    std::stable_sort(
        candidates.begin(), candidates.end(),
        [](const TSpectrumPeak &a, const TSpectrumPeak &b) { return a.Decibels > b.Decibels; });
    std::vector<TSpectrumPeak> peaks;
    for (const TSpectrumPeak &c : candidates) {
        if (int(peaks.size()) >= search.MaxCount)
            break;
        const bool apart = std::all_of(peaks.begin(), peaks.end(), [&](const TSpectrumPeak &p) {
            return std::abs(p.Bin - c.Bin) >= search.MinSeparation;
        });
        if (apart)
            peaks.push_back(c);
    }
    return peaks;
}

} // namespace tals
