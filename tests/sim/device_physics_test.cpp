// The simulated transducer's physics and its control commands: the hidden
// conversion error and its correct calibration, the phase error with and
// without wrapping, the spectrum on the sweep's scale with its echoes, the
// loop current over the span Lmax, and commands that change nothing when bad.

#include "device/mmp_calibration.h"
#include "device/sweep_scale.h"
#include "sim/device_physics.h"
#include "sim/sim_control.h"
#include "sim/sim_transducer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace tals;

namespace {

TEST(SimPhysics, ACorrectFftCalibrationMakesTheDeviceReportTheTruth)
{
    const TSimHiddenErrors errors{1.004, -12.0, kTypicalKrFChH, kTypicalSmFChH};
    TSimSettings settings;
    settings.SmPer = 0;
    EXPECT_NEAR(SimMeasure(10000, settings, errors).LevelFree, 10028, 1e-9);
    settings.KrPer = 1 / errors.Slope;
    settings.SmPer = -errors.Offset / errors.Slope;
    for (double d : {500.0, 6000.0, 29000.0})
        EXPECT_NEAR(SimMeasure(d, settings, errors).Distance, d, 1e-9);
    // The default device is exact with its factory coefficients.
    EXPECT_NEAR(SimMeasure(7000, TSimSettings{}, TSimHiddenErrors{}).Distance, 7000, 1e-9);
    // Level and distance follow the free space through Lmax and Hmax.
    settings.Lmax = 20000;
    const TSimMeasurement m = SimMeasure(12000, settings, errors);
    EXPECT_NEAR(m.LevelBusy, 18000, 1e-9);
    EXPECT_NEAR(m.LevelFree, 2000, 1e-9);
}

TEST(SimPhysics, ThePhaseErrorJumpsByHalfAGuidedWavelengthOnlyWhenWrapped)
{
    TSimSettings settings;
    const double guided =
        MmpWavelengths(settings.FreqNes, settings.FreqDev, settings.DPG, settings.Radius).Guided;
    const TSimHiddenErrors errors{1, 0, kTypicalKrFChH, kTypicalSmFChH + 3.0};
    EXPECT_EQ(SimPhaseErrorMm(5000, settings, errors), 0) << "no MMP algorithm";
    settings.AlgoritmType = 2;
    EXPECT_NEAR(SimPhaseErrorMm(5000, settings, errors), guided / (4 * M_PI) * 3.0, 1e-9);
    settings.AlgoritmType = 1;
    EXPECT_NEAR(SimPhaseErrorMm(5000, settings, errors), guided / (4 * M_PI) * 3.0, 1e-9);
    settings.KrFChH = kTypicalKrFChH - 0.0001; // phi = 3.5 at 5000 mm: past pi
    EXPECT_NEAR(SimPhaseErrorMm(5000, settings, errors), guided / (4 * M_PI) * (3.5 - 2 * M_PI),
                1e-9);
    settings.AlgoritmType = 2;
    EXPECT_NEAR(SimPhaseErrorMm(5000, settings, errors), guided / (4 * M_PI) * 3.5, 1e-9);
}

TEST(SimPhysics, SpectrumPeaksSitAtTheirBinsOnTheSweepScale)
{
    TSimSettings settings;
    std::minstd_rand random(1);
    std::vector<float> spectrum(512);
    for (double dev : {1056.774048, 500.0}) {
        settings.FreqDev = dev;
        const TSweepScale scale{settings.KrPer, dev, settings.DPG};
        SimFillSpectrum(spectrum, 8000, 1000, {{3000, -20}}, settings, random);
        const auto peak = std::max_element(spectrum.begin(), spectrum.end()) - spectrum.begin();
        EXPECT_NEAR(double(peak), scale.MmToBin(8000), 0.5 + 1e-9);
        const auto echo = std::size_t(std::lround(scale.MmToBin(3000)));
        EXPECT_NEAR(spectrum[echo], 11.5, 1.5); // -20 dB of power over the floor
        EXPECT_LT(spectrum[std::size_t(peak + 60) % 512], 3);
    }
}

TEST(SimPhysics, TheLoopCurrentFollowsItsSourceOverTheSpanLmax)
{
    TSimSettings settings;
    settings.Hmax = 30000;
    settings.Lmax = 15000;
    const TSimMeasurement m = SimMeasure(22500, settings, TSimHiddenErrors{}); // level 7500
    struct TCase
    {
        int Input, Range;
        double Current;
    };
    for (const TCase &c : {TCase{1, 2, 12.0}, TCase{1, 1, 10.0}, TCase{1, 0, 2.5},
                           TCase{2, 2, 12.0}, TCase{0, 2, 20.0}, TCase{3, 1, 10.0}}) {
        settings.CurrentInput = c.Input;
        settings.CurrentRange = c.Range;
        EXPECT_NEAR(SimLoopCurrent(m, 22.5, settings), c.Current, 1e-9) << c.Input << c.Range;
    }
}

TEST(SimControl, CommandsChangeTheDevicesAndBadOnesNothing)
{
    TSimTransducer sim;
    sim.SetAddress(3);
    sim.SetDeviceCount(2); // at 3 and 4
    EXPECT_EQ(ExecuteSimCommand(sim, QStringLiteral("target 4200")), QStringLiteral("ok"));
    EXPECT_DOUBLE_EQ(sim.Device(1).TrueDistance(), 4200);
    EXPECT_EQ(ExecuteSimCommand(sim, QStringLiteral("target 900 4")), QStringLiteral("ok"));
    EXPECT_DOUBLE_EQ(sim.TrueDistance(), 4200);
    EXPECT_DOUBLE_EQ(sim.Device(1).TrueDistance(), 900);
    EXPECT_EQ(ExecuteSimCommand(sim, QStringLiteral("error-slope 1.01")), QStringLiteral("ok"));
    EXPECT_EQ(ExecuteSimCommand(sim, QStringLiteral("error-offset -5 3")), QStringLiteral("ok"));
    EXPECT_DOUBLE_EQ(sim.Errors().Slope, 1.01);
    EXPECT_DOUBLE_EQ(sim.Errors().Offset, -5);
    EXPECT_DOUBLE_EQ(sim.Device(1).Errors().Offset, TSimHiddenErrors{}.Offset);
    EXPECT_EQ(ExecuteSimCommand(sim, QStringLiteral("phase-offset 0.5")), QStringLiteral("ok"));
    EXPECT_EQ(ExecuteSimCommand(sim, QStringLiteral("echo 3000:-20")), QStringLiteral("ok"));
    EXPECT_EQ(sim.Device(1).Echoes().size(), 1u);
    EXPECT_EQ(ExecuteSimCommand(sim, QStringLiteral("fault silence 0 2 @4")), QStringLiteral("ok"));
    EXPECT_EQ(sim.Device(1).PendingFaults(), 2);
    EXPECT_EQ(sim.PendingFaults(), 0);
    EXPECT_EQ(ExecuteSimCommand(sim, QStringLiteral("move")), QStringLiteral("ok"));
    EXPECT_EQ(ExecuteSimCommand(sim, QStringLiteral("noise 2")), QStringLiteral("ok"));
    EXPECT_EQ(ExecuteSimCommand(sim, QStringLiteral("status 0x0004")), QStringLiteral("ok"));

    const TSimHiddenErrors before = sim.Errors();
    for (const char *bad : {"", "jump 5", "target", "target -1", "target 5000 9", "target x",
                            "error-slope 0", "echo 3000", "echo 1:2:3", "fault melt",
                            "fault silence x", "noise -1", "status 70000", "move 1 2"}) {
        const QString reply = ExecuteSimCommand(sim, QString::fromUtf8(bad));
        EXPECT_TRUE(reply.startsWith(QStringLiteral("ошибка: "))) << bad << reply.toStdString();
    }
    EXPECT_DOUBLE_EQ(sim.Errors().Slope, before.Slope);
    EXPECT_EQ(sim.Echoes().size(), 1u);
    EXPECT_EQ(sim.PendingFaults(), 0);
}

} // namespace
