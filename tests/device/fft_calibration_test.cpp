// FFT calibration: the table defaults, the current point and the
// capture, the least-squares fit of KrPer and SmPer, the residuals and the
// texts of the grid, without a display.

#include "device/fft_calibration.h"
#include "device/tals352.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tals {
namespace {

class FftCalibrationTest : public ::testing::Test
{
protected:
    TProgramModes modes;
    Ttals352 model{modes};
};

TEST_F(FftCalibrationTest, ANewModelHasTwoPointsWithTheirDefaults)
{
    EXPECT_EQ(model.CalibrMode(), 2);
    EXPECT_EQ(model.CalibrModeTals(), 1);
    EXPECT_DOUBLE_EQ(model.CalibrTable.Points[0].SetValue, 10000);
    EXPECT_DOUBLE_EQ(model.CalibrTable.Points[0].Measured, 10000);
    EXPECT_DOUBLE_EQ(model.CalibrTable.Points[1].SetValue, 2000);
    EXPECT_DOUBLE_EQ(model.CalibrTable.Tolerance, 1000);
    EXPECT_DOUBLE_EQ(model.PrevKrPer, 0);
    EXPECT_DOUBLE_EQ(model.PrevSmPer, 0);
}

TEST_F(FftCalibrationTest, SwitchingTheNumberOfPointsResetsTheTableEachTime)
{
    model.SetCalibrMode(5);
    EXPECT_EQ(model.CalibrModeTals(), 0);
    const double five[5] = {10000, 8000, 6000, 4000, 2000};
    for (int i = 0; i < 5; ++i)
        EXPECT_DOUBLE_EQ(model.CalibrTable.Points[std::size_t(i)].SetValue, five[i]);
    ASSERT_EQ(CaptureCalibrPoint(model.CalibrTable, 5, 6300.5), 3);
    EXPECT_DOUBLE_EQ(model.CalibrTable.Points[2].Measured, 6300.5);

    model.SetCalibrMode(2);
    EXPECT_EQ(model.CalibrModeTals(), 1);
    EXPECT_DOUBLE_EQ(model.CalibrTable.Points[1].SetValue, 2000);
    EXPECT_DOUBLE_EQ(model.CalibrTable.Points[2].SetValue, 0);
    model.SetCalibrMode(5);
    EXPECT_DOUBLE_EQ(model.CalibrTable.Points[2].Measured, 6000) << "the capture is lost";

    model.SetCalibrMode(3); // stored, nothing else
    EXPECT_EQ(model.CalibrMode(), 3);
    EXPECT_EQ(model.CalibrModeTals(), 0);
    EXPECT_DOUBLE_EQ(model.CalibrTable.Points[2].SetValue, 6000);
}

TEST_F(FftCalibrationTest, TheToleranceIncludesBothEnds)
{
    const TCalibrTable &t = model.CalibrTable;
    EXPECT_EQ(CalibrCurrentPoint(t, 2, 11000), 1);
    EXPECT_EQ(CalibrCurrentPoint(t, 2, 9000), 1);
    EXPECT_EQ(CalibrCurrentPoint(t, 2, 11000.1), 0);
    EXPECT_EQ(CalibrCurrentPoint(t, 2, 8999.9), 0);
    EXPECT_EQ(CalibrCurrentPoint(t, 2, 1000), 2);
    EXPECT_EQ(CalibrCurrentPoint(t, 2, 3000), 2);
    EXPECT_EQ(CalibrCurrentPoint(t, 2, 3000.1), 0);
    EXPECT_EQ(CalibrCurrentPoint(t, 2, 6000), 0);
}

TEST_F(FftCalibrationTest, OnlyPointsInUseAreFound)
{
    model.SetCalibrMode(5);
    EXPECT_EQ(CalibrCurrentPoint(model.CalibrTable, 5, 4100), 4);
    EXPECT_EQ(CalibrCurrentPoint(model.CalibrTable, 3, 4100), 0);
    EXPECT_EQ(CalibrCurrentPoint(model.CalibrTable, 0, 10000), 0);
}

TEST_F(FftCalibrationTest, OfTwoCloseSetValuesTheLowerNumberedPointWins)
{
    model.SetCalibrMode(5);
    model.CalibrTable.Points[1].SetValue = 9500; // within 2 x 1000 of point 1
    EXPECT_EQ(CalibrCurrentPoint(model.CalibrTable, 5, 9700), 1);
    EXPECT_EQ(CalibrCurrentPoint(model.CalibrTable, 5, 8600), 2);
}

TEST_F(FftCalibrationTest, ACaptureOutsideEveryToleranceChangesNothing)
{
    const TCalibrTable before = model.CalibrTable;
    EXPECT_EQ(CaptureCalibrPoint(model.CalibrTable, 2, 6000), 0);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(model.CalibrTable.Points[std::size_t(i)].Measured,
                  before.Points[std::size_t(i)].Measured);
    }
    EXPECT_EQ(CaptureCalibrPoint(model.CalibrTable, 2, 2000.25), 2);
    EXPECT_DOUBLE_EQ(model.CalibrTable.Points[1].Measured, 2000.25);
}

TEST_F(FftCalibrationTest, TheDefaultTableGivesTheCoefficientsOfANewModelBack)
{
    EXPECT_DOUBLE_EQ(model.KrPer(), 1);
    EXPECT_DOUBLE_EQ(model.SmPer(), 0.001);
    const TCalibrFit fit = FitFftCalibration(model).Fit;
    EXPECT_TRUE(fit.Ok);
    EXPECT_NEAR(model.KrPer(), 1, 1e-12);
    EXPECT_NEAR(model.SmPer(), 0.001, 1e-9);
    EXPECT_DOUBLE_EQ(model.PrevKrPer, 1);
    EXPECT_DOUBLE_EQ(model.PrevSmPer, 0.001);
    const auto points = FftResiduals(model);
    ASSERT_EQ(points.size(), 2u);
    EXPECT_DOUBLE_EQ(points[0].Set, 2000);
    EXPECT_DOUBLE_EQ(points[1].Set, 10000);
    for (const TCalibrResidual &p : points)
        EXPECT_NEAR(p.Error, 0, 1e-9);
}

TEST_F(FftCalibrationTest, TheFitFindsTheLineBehindTheCapturedReadings)
{
    // The transducer's raw estimate runs 2 % short and 15 mm long: raw =
    // (set + 15) / 1.02... expressed through what it reports under the
    // present coefficients KrPer 1.01, SmPer -4.
    model.SetKrPer(1.01);
    model.SetSmPer(-4);
    model.SetCalibrMode(5);
    for (TCalibrPoint &p : model.CalibrTable.Points) {
        const double raw = (p.SetValue - 15) / 0.98;
        p.Measured = 1.01 * raw - 4;
    }
    const TCalibrFit fit = FitFftCalibration(model).Fit;
    ASSERT_TRUE(fit.Ok);
    EXPECT_NEAR(model.KrPer(), 0.98, 1e-12);
    EXPECT_NEAR(model.SmPer(), 15, 1e-8);
    EXPECT_DOUBLE_EQ(model.PrevKrPer, 1.01);
    EXPECT_DOUBLE_EQ(model.PrevSmPer, -4);
    for (const TCalibrResidual &p : FftResiduals(model))
        EXPECT_NEAR(p.Error, 0, 1e-8) << p.Set;
}

TEST_F(FftCalibrationTest, ResidualsAreTheErrorsLeftUnderThePresentCoefficients)
{
    model.SetCalibrMode(5);
    const double offsets[5] = {2.0, -1.0, 0.5, 3.6, -2.0};
    for (int i = 0; i < 5; ++i)
        model.CalibrTable.Points[std::size_t(i)].Measured += offsets[i];
    model.PrevKrPer = 1;
    model.PrevSmPer = 0.001;
    const auto points = FftResiduals(model);
    ASSERT_EQ(points.size(), 5u);
    // Ascending set value: 2000 (point 5) first.
    EXPECT_DOUBLE_EQ(points[0].Set, 2000);
    EXPECT_NEAR(points[0].Error, -2.0, 1e-9);
    EXPECT_NEAR(points[1].Error, 3.6, 1e-9);
    EXPECT_NEAR(points[4].Error, 2.0, 1e-9);
    EXPECT_TRUE(ResidualsBeyondFixedRange(points));
    model.CalibrTable.Points[3].Measured = 4003.4;
    EXPECT_FALSE(ResidualsBeyondFixedRange(FftResiduals(model)));

    const auto rows = CalibrReportRows(points);
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_DOUBLE_EQ(rows[0].Set, 10000);
    EXPECT_NEAR(rows[0].Measured, 10002, 1e-9);
    EXPECT_NEAR(rows[0].Error, 2, 1e-9);
    EXPECT_DOUBLE_EQ(rows[4].Set, 2000);
    EXPECT_NEAR(rows[4].Error, -2, 1e-9);
}

TEST_F(FftCalibrationTest, NoFitMeansNoResiduals)
{
    EXPECT_TRUE(FftResiduals(model).empty());
    const auto rows = CalibrReportRows({});
    ASSERT_EQ(rows.size(), 5u);
    for (const TCalibrReportRow &r : rows)
        EXPECT_FALSE(r.Valid);
}

TEST_F(FftCalibrationTest, ADegenerateTableChangesNoCoefficient)
{
    model.SetKrPer(1.2);
    model.SetSmPer(7);
    model.CalibrTable.Points[0].Measured = 5000;
    model.CalibrTable.Points[1].Measured = 5000;
    EXPECT_FALSE(FitFftCalibration(model).Fit.Ok);
    EXPECT_DOUBLE_EQ(model.KrPer(), 1.2);
    EXPECT_DOUBLE_EQ(model.SmPer(), 7);
    EXPECT_DOUBLE_EQ(model.PrevKrPer, 1.2) << "the copy is taken before the fit";

    model.SetCalibrMode(1); // fewer than two points
    EXPECT_FALSE(FitFftCalibration(model).Fit.Ok);
    EXPECT_DOUBLE_EQ(model.KrPer(), 1.2);
}

TEST_F(FftCalibrationTest, ASlopeOutsideItsRangeLeavesBothCoefficientsAndSaysWhy)
{
    // Slope 2 and an offset of 500 mm needed: the half fit would move SmPer alone.
    model.CalibrTable.Points[0].Measured = (10000 - 500) * 0.5;
    model.CalibrTable.Points[1].Measured = (2000 - 500) * 0.5;
    const TFftFitOutcome outcome = FitFftCalibration(model);
    ASSERT_TRUE(outcome.Fit.Ok);
    EXPECT_NEAR(outcome.Fit.Slope, 2, 1e-9);
    EXPECT_FALSE(outcome.Applied);
    EXPECT_DOUBLE_EQ(model.KrPer(), 1);
    EXPECT_DOUBLE_EQ(model.SmPer(), 0.001);
    EXPECT_TRUE(
        outcome.Refusal.startsWith(QStringLiteral("Крутизна характеристики преобразования = 2")))
        << outcome.Refusal.toStdString();
    EXPECT_TRUE(outcome.Refusal.contains(QStringLiteral("вне диапазона от 0")));
    EXPECT_TRUE(outcome.Refusal.contains(QStringLiteral("Коэффициенты не изменены")));
}

TEST_F(FftCalibrationTest, ComputingTwiceOverTheSameCapturesGivesTheSingleFit)
{
    model.SetKrPer(1.01);
    model.SetSmPer(-4);
    model.SetCalibrMode(5);
    for (TCalibrPoint &p : model.CalibrTable.Points)
        p.Measured = 1.01 * ((p.SetValue - 15) / 0.98) - 4;
    EXPECT_FALSE(FitFftCalibration(model).Repeated);
    const double slope = model.KrPer();
    const double offset = model.SmPer();
    // A second click corrects nothing again: the captures were taken under 1.01 / -4.
    const TFftFitOutcome again = FitFftCalibration(model);
    EXPECT_TRUE(again.Repeated);
    EXPECT_TRUE(again.Applied);
    EXPECT_DOUBLE_EQ(model.KrPer(), slope);
    EXPECT_DOUBLE_EQ(model.SmPer(), offset);
    EXPECT_NEAR(model.KrPer(), 0.98, 1e-12);
    EXPECT_DOUBLE_EQ(model.PrevKrPer, 1.01);
    for (const TCalibrResidual &p : FftResiduals(model))
        EXPECT_NEAR(p.Error, 0, 1e-8) << p.Set;

    // A new capture starts from the coefficients in effect now.
    model.SetKrPer(0.98);
    model.CalibrTable.Points[0].Measured += 1;
    EXPECT_FALSE(FitFftCalibration(model).Repeated);
    EXPECT_DOUBLE_EQ(model.PrevKrPer, 0.98);
}

TEST_F(FftCalibrationTest, GridTexts)
{
    EXPECT_EQ(CalibrSetText(10000), QStringLiteral("10000"));
    EXPECT_EQ(CalibrMeasuredText(10000), QStringLiteral("10000.0"));
    EXPECT_EQ(CalibrMeasuredText(2003.26), QStringLiteral("2003.3"));
    EXPECT_EQ(NormaliseDecimalText(QStringLiteral("12,5")), QStringLiteral("12.5"));
    EXPECT_EQ(NormaliseDecimalText(QStringLiteral("1,2.5")), QStringLiteral("1.2.5"));

    TCalibrTable table = model.CalibrTable;
    ParseCalibrRow(table, 1, QStringLiteral("9000"), QStringLiteral("9001.5"));
    EXPECT_DOUBLE_EQ(table.Points[0].SetValue, 9000);
    EXPECT_DOUBLE_EQ(table.Points[0].Measured, 9001.5);
    ParseCalibrRow(table, 1, QStringLiteral("abc"), QStringLiteral("9001.5 [+1.5]"));
    EXPECT_DOUBLE_EQ(table.Points[0].SetValue, 9000);
    EXPECT_DOUBLE_EQ(table.Points[0].Measured, 9001.5);
    ParseCalibrRow(table, 7, QStringLiteral("1"), QStringLiteral("1")); // ignored
}

} // namespace
} // namespace tals
