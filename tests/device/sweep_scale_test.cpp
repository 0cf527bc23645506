// The spectrum's distance scale: bin centres from the sweep deviation, KrPer
// and the gas permittivity, and the way back.

#include "device/sweep_scale.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tals {
namespace {

TEST(SweepScaleTest, BinCentresFollowTheDeviation)
{
    // 1000 MHz in vacuum: a bin spans c / 2 / 1e9 = 149.896229 mm.
    const TSweepScale scale{1.0, 1000.0, 1.0};
    EXPECT_NEAR(scale.HalfBinMm(), 74.948114500, 1e-9);
    EXPECT_NEAR(scale.BinToMm(0), 74.948114500, 1e-9);
    EXPECT_NEAR(scale.BinToMm(10), 21 * 74.948114500, 1e-8);
    // Twice the deviation halves the distance of a bin.
    EXPECT_NEAR(TSweepScale({1.0, 2000.0, 1.0}).BinToMm(10), 21 * 74.948114500 / 2, 1e-8);
    // KrPer scales, the gas slows the wave.
    EXPECT_NEAR(TSweepScale({1.01, 1000.0, 1.0}).BinToMm(3), 1.01 * 7 * 74.948114500, 1e-8);
    EXPECT_NEAR(TSweepScale({1.0, 1000.0, 1.0609}).BinToMm(3), 7 * 74.948114500 / 1.03, 1e-8);
}

TEST(SweepScaleTest, DistanceToBinIsTheInverse)
{
    const TSweepScale scale{0.998, 1056.774048, 1.00059};
    for (double bin : {0.0, 1.5, 37.0, 511.0})
        EXPECT_NEAR(scale.MmToBin(scale.BinToMm(bin)), bin, 1e-9);
}

TEST(SweepScaleTest, AnUnusableScaleConvertsToZero)
{
    for (const TSweepScale &scale :
         {TSweepScale{1, 0, 1}, TSweepScale{1, -5, 1}, TSweepScale{1, 1000, 0},
          TSweepScale{0, 1000, 1}, TSweepScale{1, NAN, 1}}) {
        EXPECT_FALSE(scale.Valid());
        EXPECT_EQ(scale.BinToMm(10), 0);
        EXPECT_EQ(scale.MmToBin(1000), 0);
    }
}

} // namespace
} // namespace tals
