// MMP calibration: wavelengths, phase errors, the correction of
// KrFChH and SmFChH, "Исправить +/-15", the typical values and the texts.

#include "device/fft_calibration.h"
#include "device/mmp_calibration.h"
#include "device/tals352.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace tals {
namespace {

class MmpCalibrationTest : public ::testing::Test
{
protected:
    void SetDifferences(std::initializer_list<double> differences)
    {
        int i = 0;
        for (double d : differences) {
            TCalibrPoint &p = model.CalibrTableMMP.Points[std::size_t(i++)];
            p.Measured = p.SetValue + d;
        }
    }
    double Difference(int point) const
    {
        const TCalibrPoint &p = model.CalibrTableMMP.Points[std::size_t(point - 1)];
        return p.Measured - p.SetValue;
    }
    TProgramModes modes;
    Ttals352 model{modes};
};

TEST_F(MmpCalibrationTest, ANewModelHasFiveTypicalPoints)
{
    EXPECT_EQ(model.CalibrModeMMP(), 5);
    EXPECT_DOUBLE_EQ(model.CalibrTableMMP.Points[4].SetValue, 2000);
    EXPECT_DOUBLE_EQ(model.CalibrTableMMP.Tolerance, 1000);
    EXPECT_DOUBLE_EQ(model.KrFChH(), kTypicalKrFChH);
    EXPECT_DOUBLE_EQ(model.SmFChH(), kTypicalSmFChH);
    EXPECT_TRUE(MmpCoefficientsTypical(model));
}

TEST_F(MmpCalibrationTest, SettingTheNumberAlwaysResetsTheTable)
{
    SetDifferences({3, 4, -11, 2, 5});
    model.SetCalibrModeMMP(5);
    EXPECT_DOUBLE_EQ(Difference(3), 0);
    model.SetCalibrModeMMP(2);
    EXPECT_DOUBLE_EQ(model.CalibrTableMMP.Points[1].SetValue, 2000);
}

TEST_F(MmpCalibrationTest, WavelengthsOfTheWorkedExample)
{
    const TMmpWavelengths w = MmpWavelengths(10000, 1000, 1, 20);
    EXPECT_NEAR(w.Gas, 28.55, 0.005);
    EXPECT_DOUBLE_EQ(w.Critical, 68.4);
    EXPECT_NEAR(w.Guided, 31.42, 0.005);
}

TEST_F(MmpCalibrationTest, EqualValuesKeepTheCoefficients)
{
    model.SetKrFChH(0.01);
    model.SetSmFChH(-3);
    const TMmpResult r = ComputeMmpCoefficients(model);
    EXPECT_DOUBLE_EQ(r.KrFChH, 0.01);
    EXPECT_DOUBLE_EQ(r.SmFChH, -3);
}

TEST_F(MmpCalibrationTest, ThePhaseLineIsAddedToThePresentCoefficients)
{
    model.SetFreqNes(10000);
    model.SetFreqDev(1000);
    model.SetDPG(1);
    model.SetRadius(20);
    const double guided = MmpWavelengths(10000, 1000, 1, 20).Guided;
    // Phase errors on the line r = 2e-4 s - 0.5.
    for (TCalibrPoint &p : model.CalibrTableMMP.Points) {
        const double r = 2e-4 * p.SetValue - 0.5;
        p.Measured = p.SetValue + r * guided / (4 * std::numbers::pi);
    }
    const std::vector<double> r = MmpPhaseErrors(model.CalibrTableMMP, 5, guided);
    ASSERT_EQ(r.size(), 5u);
    EXPECT_NEAR(r[0], 1.5, 1e-9);
    const TMmpLine line = MmpPhaseLine(model.CalibrTableMMP, 5, guided);
    EXPECT_NEAR(line.Slope, 2e-4, 1e-12);
    EXPECT_NEAR(line.Offset, -0.5, 1e-9);
    const TMmpResult result = ComputeMmpCoefficients(model);
    EXPECT_NEAR(result.KrFChH, kTypicalKrFChH + 2e-4, 1e-12);
    EXPECT_NEAR(result.SmFChH, kTypicalSmFChH - 0.5, 1e-9);
}

TEST_F(MmpCalibrationTest, FewerThanTwoPointsGiveZeroCorrections)
{
    SetDifferences({3, 4, -11, 2, 5});
    const TMmpLine line = MmpPhaseLine(model.CalibrTableMMP, 1, 31.4);
    EXPECT_EQ(line.Slope, 0);
    EXPECT_EQ(line.Offset, 0);
}

TEST_F(MmpCalibrationTest, CorrectionLiftsTheOnePointBelow)
{
    SetDifferences({3, 4, -11, 2, 5});
    EXPECT_EQ(CorrectMmpTable(model.CalibrTableMMP, 5), 1);
    const double expected[5] = {3, 4, 4, 2, 5};
    for (int i = 1; i <= 5; ++i)
        EXPECT_DOUBLE_EQ(Difference(i), expected[i - 1]) << i;
}

TEST_F(MmpCalibrationTest, CorrectionLowersThePointsAboveWhenTheEqualOneTipsTheCount)
{
    SetDifferences({6, -3, 0, 8, -2});
    EXPECT_EQ(CorrectMmpTable(model.CalibrTableMMP, 5), 2);
    const double expected[5] = {-9, -3, 0, -7, -2};
    for (int i = 1; i <= 5; ++i)
        EXPECT_DOUBLE_EQ(Difference(i), expected[i - 1]) << i;
}

TEST_F(MmpCalibrationTest, TypicalValuesRestoreCoefficientsAndTable)
{
    model.SetKrFChH(0.5);
    model.SetSmFChH(10);
    SetDifferences({1, 2, 3, 4, 5});
    EXPECT_FALSE(MmpCoefficientsTypical(model));
    SetMmpTypicalValues(model);
    EXPECT_TRUE(MmpCoefficientsTypical(model));
    for (int i = 1; i <= 5; ++i)
        EXPECT_DOUBLE_EQ(Difference(i), 0);
    model.SetKrFChH(kTypicalKrFChH + 5e-8);
    EXPECT_TRUE(MmpCoefficientsTypical(model));
    model.SetKrFChH(kTypicalKrFChH + 2e-7);
    EXPECT_FALSE(MmpCoefficientsTypical(model));
}

TEST_F(MmpCalibrationTest, TextsOfTheQuestionsAndTheGrid)
{
    EXPECT_EQ(MmpNotTypicalQuestion(0.001, -2.5),
              QStringLiteral("Значение крутизны или смещения ФЧХ отличаются от типовых!!!\r\n\r\n"
                             "Крутизна ФЧХ\r\nТиповое значение: -0.00015\r\n"
                             "Текущее значение: 0.001\r\n\r\nСмещение ФЧХ: \r\n"
                             "Типовое значение: -2.75\r\nТекущее значение: -2.5\r\n\r\n"
                             "Продолжить вычисление?"));
    EXPECT_EQ(MmpNewValuesMessage({0.25, -3}),
              QStringLiteral("Новые значения\r\nКрутизна ФЧХ: 0.25\r\nСмещение ФЧХ: -3"));
    EXPECT_EQ(MmpMeasuredText(8000, 8003), QStringLiteral("8003.0 [+3.0]"));
    EXPECT_EQ(MmpMeasuredText(6000, 5989), QStringLiteral("5989.0 [-11.0]"));
    EXPECT_EQ(MmpMeasuredText(2000, 2000), QStringLiteral("2000.0 [0.0]"));
}

} // namespace
} // namespace tals
