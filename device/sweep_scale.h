#pragma once

// The distance scale of the spectrum: an FMCW sweep of deviation FreqDev
// resolves c / (2 * deviation) of distance in the gas per spectral bin, so
// bin x is centred at KrPer * (2x + 1) * c / (4 * FreqDev * sqrt(DPG)).
// KrPer * (2x + 1) is the read-out "d" of the spectrum window: the same
// distance counted in half-bins. Widget-free.

namespace tals {

struct TSweepScale
{
    double KrPer = 1;   // slope of the conversion characteristic
    double FreqDev = 0; // frequency deviation, MHz
    double DPG = 1;     // gas permittivity

    // Distance of one half-bin, mm; 0 when the deviation or DPG is not positive.
    double HalfBinMm() const;
    // Distance at the centre of bin x (fractional bins allowed), mm.
    double BinToMm(double bin) const;
    // The (fractional) bin whose centre lies at mm; 0 for an unusable scale.
    double MmToBin(double mm) const;
    // Whether the scale can convert at all (deviation, DPG and KrPer positive).
    bool Valid() const;
};

} // namespace tals
