// The echo curve in the core: its decibels, another curve aligned by distance,
// the marks taken from the model, the peak search and the bounded recording.

#include "device/echo_curve.h"
#include "device/echo_markers.h"
#include "device/program_modes.h"
#include "device/spectrum_peaks.h"
#include "device/spectrum_recording.h"
#include "device/tals352.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <cmath>

namespace tals {
namespace {

TEchoCurve Curve(const TSweepScale &scale, std::vector<double> values)
{
    TEchoCurve c;
    c.Scale = scale;
    c.Values = std::move(values);
    return c;
}

TEST(EchoCurveTest, DecibelsRelativeToTheLargestValue)
{
    const TEchoCurve c = Curve({1, 1000, 1}, {100, 10, 0, 1, -3});
    const std::vector<double> db = c.Decibels();
    EXPECT_DOUBLE_EQ(db[0], 0);
    EXPECT_DOUBLE_EQ(db[1], -10);
    EXPECT_TRUE(std::isnan(db[2]));
    EXPECT_DOUBLE_EQ(db[3], -20);
    EXPECT_TRUE(std::isnan(db[4]));
    for (double v : Curve({1, 1000, 1}, {0, 0}).Decibels())
        EXPECT_TRUE(std::isnan(v));
}

// A reference read with twice the KrPer lies at twice the distance per bin:
// its bin 10 is compared with bin 21 of the curve... at the same millimetres.
TEST(EchoCurveTest, AlignedByDistanceWhenKrPerDiffers)
{
    std::vector<double> values(64, 1.0);
    values[10] = 100; // the echo at bin 10 of the reference's scale
    const TEchoCurve reference = Curve({1.0, 1000, 1}, values);
    const TSweepScale onto{0.5, 1000, 1}; // half the distance per bin
    const std::vector<double> aligned = AlignedDecibels(reference, onto, 64);
    // Reference bin 10 is at 21 half-bins of KrPer 1: 21 half-bins of 0.5 -> bin 20.5 of onto.
    const double mm = reference.Scale.BinToMm(10);
    const double bin = onto.MmToBin(mm);
    EXPECT_DOUBLE_EQ(bin, 20.5);
    EXPECT_NEAR(aligned[20], aligned[21], 1e-9); // symmetric around 20.5
    EXPECT_GT(aligned[20], -20.0);
    EXPECT_DOUBLE_EQ(aligned[40], -20.0);
    // The same scale aligns bin on bin.
    const std::vector<double> same = AlignedDecibels(reference, reference.Scale, 64);
    EXPECT_DOUBLE_EQ(same[10], 0);
    EXPECT_DOUBLE_EQ(same[11], -20);
    // Beyond the reference's last bin there is nothing to compare.
    EXPECT_TRUE(std::isnan(AlignedDecibels(reference, {4.0, 1000, 1}, 64)[40]));
}

TEST(EchoMarkersTest, TakenFromTheModel)
{
    TProgramModes modes;
    Ttals352 model(modes);
    model.SetHmax(12000);
    model.SetLmax(11000);
    model.SetMUP(35);
    model.SetFreqBeg(6);
    model.Distance().SetValue(TVariant(5500.0));
    model.SetCountBadZones(3);
    model.BadZone(1).NearBound.SetValue(TVariant(5000.0));
    model.BadZone(1).FarBound.SetValue(TVariant(6000.0));
    model.BadZone(2).NearBound.SetValue(TVariant(0.0)); // zero width: not in use
    model.BadZone(2).FarBound.SetValue(TVariant(0.0));
    model.BadZone(3).NearBound.SetValue(TVariant(9000.0)); // given far to near
    model.BadZone(3).FarBound.SetValue(TVariant(8000.0));
    model.BadZone(4).NearBound.SetValue(TVariant(100.0)); // beyond CountBadZones
    model.BadZone(4).FarBound.SetValue(TVariant(200.0));

    const TEchoMarkers m = EchoMarkersOf(model);
    EXPECT_DOUBLE_EQ(m.DistanceMm, 5500);
    EXPECT_DOUBLE_EQ(m.HmaxMm, 12000);
    EXPECT_DOUBLE_EQ(m.LmaxDistanceMm, 1000);
    EXPECT_DOUBLE_EQ(m.ThresholdDb, -35);
    EXPECT_DOUBLE_EQ(m.FirstBin, 6);
    ASSERT_EQ(m.BadZones.size(), 2u);
    EXPECT_EQ(m.BadZones[0].Number, 1);
    EXPECT_DOUBLE_EQ(m.BadZones[0].NearMm, 5000);
    EXPECT_DOUBLE_EQ(m.BadZones[0].FarMm, 6000);
    EXPECT_EQ(m.BadZones[1].Number, 3);
    EXPECT_DOUBLE_EQ(m.BadZones[1].NearMm, 8000);
    EXPECT_DOUBLE_EQ(m.BadZones[1].FarMm, 9000);
}

// Local maxima above the noise floor, strongest first, a few bins apart; a
// shoulder next to a peak and the noise itself are not listed.
TEST(SpectrumPeaksTest, StrongestLocalMaximaAboveTheFloor)
{
    std::vector<double> db(100, -40.0);
    for (int i = 0; i < 100; i += 2)
        db[std::size_t(i)] = -39.0; // ripple of the noise: local maxima 1 dB up
    db[30] = 0;                     // the surface
    db[31] = -3;
    db[32] = -2;  // a shoulder two bins on: too close to count
    db[70] = -12; // a false echo
    db[90] = std::nan("");
    db[50] = -30; // 10 dB over the floor
    const std::vector<TSpectrumPeak> peaks = FindPeaks(db);
    ASSERT_EQ(peaks.size(), 3u);
    EXPECT_EQ(peaks[0].Bin, 30);
    EXPECT_DOUBLE_EQ(peaks[0].Decibels, 0);
    EXPECT_EQ(peaks[1].Bin, 70);
    EXPECT_EQ(peaks[2].Bin, 50);

    TPeakSearch two;
    two.MaxCount = 2;
    EXPECT_EQ(FindPeaks(db, two).size(), 2u);
    EXPECT_TRUE(FindPeaks(std::vector<double>(10, std::nan(""))).empty());
    EXPECT_DOUBLE_EQ(NoiseFloorDb({-1, -5, -3}), -3);
}

TEST(SpectrumRecordingTest, KeepsCurvesWhileOnUpToItsBound)
{
    TSpectrumRecording recording(3);
    QSignalSpy added(&recording, &TSpectrumRecording::Added);
    EXPECT_FALSE(recording.Add(Curve({}, {1})));
    EXPECT_EQ(recording.Count(), 0);

    recording.Start();
    for (int i = 1; i <= 5; ++i) {
        TEchoCurve c = Curve({}, {double(i)});
        c.Time = i;
        EXPECT_TRUE(recording.Add(std::move(c)));
    }
    EXPECT_EQ(added.count(), 5);
    ASSERT_EQ(recording.Count(), 3); // the oldest went first
    EXPECT_EQ(recording.At(0).Time, 3);
    EXPECT_EQ(recording.At(2).Time, 5);

    recording.Stop();
    EXPECT_FALSE(recording.Add(Curve({}, {9})));
    EXPECT_EQ(recording.Count(), 3);
    recording.Start(); // a new series
    EXPECT_EQ(recording.Count(), 0);

    std::vector<TEchoCurve> loaded;
    for (int i = 0; i < 4; ++i)
        loaded.push_back(Curve({}, {double(i)}));
    recording.Assign(std::move(loaded));
    ASSERT_EQ(recording.Count(), 3);
    EXPECT_EQ(recording.At(0).Values[0], 1); // the newest three of a longer series
}

} // namespace
} // namespace tals
