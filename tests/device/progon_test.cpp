#include "device/progon.h"
#include "device/tals352.h"

#include <gtest/gtest.h>

namespace tals {
namespace {

class ProgonTest : public ::testing::Test
{
protected:
    ProgonTest()
    {
        model.SetHmax(15000);
        model.SetLmax(15000);
        model.SetCurrentOutput_Range(2);
        model.MakeProgonTemplate();
    }
    TProgramModes modes;
    Ttals352 model{modes};
};

TEST_F(ProgonTest, AfterTheTemplateEveryCurrentDifferenceIsMarked)
{
    for (int r = 1; r <= 5; ++r) {
        const TProgonRow &row = model.ProgonTable[std::size_t(r - 1)];
        EXPECT_DOUBLE_EQ(row.Ruletka, 2000.0 * r);
        EXPECT_DOUBLE_EQ(row.SetLevel, 15000 - 2000.0 * r);
        EXPECT_DOUBLE_EQ(row.DValue, 0);
        EXPECT_DOUBLE_EQ(row.DCurrentValue, row.Current);
        EXPECT_TRUE(IsProgonCurrentMarked(row.DCurrentValue)) << r;
    }
}

TEST_F(ProgonTest, TapeEntryGivesSetLevelAndExpectedCurrentFromLmax)
{
    SetProgonRuletka(model, 2, 5000);
    const TProgonRow &row = model.ProgonTable[1];
    EXPECT_DOUBLE_EQ(row.SetLevel, 10000);
    EXPECT_DOUBLE_EQ(row.Value, 10000);
    EXPECT_NEAR(row.Current, 14.6667, 5e-5);
    SetProgonRuletka(model, 0, 1);
    SetProgonRuletka(model, 6, 1);
    EXPECT_DOUBLE_EQ(model.ProgonTable[0].Ruletka, 2000);
}

TEST_F(ProgonTest, OnlyACurrentTooLowIsMarked)
{
    const double expected = model.ExpectedCurrent(9000);
    struct
    {
        double measured;
        bool marked;
    } const cases[] = {
        {expected - 0.03, true},
        {expected + 0.03, false},
        {expected - 0.02, false},
        {expected, false},
    };
    for (const auto &c : cases) {
        CaptureProgonRow(model, 3, 9000, c.measured);
        EXPECT_EQ(IsProgonCurrentMarked(model.ProgonTable[2].DCurrentValue), c.marked)
            << c.measured - expected;
    }
}

TEST_F(ProgonTest, CaptureRecomputesFromTheCapturedLevel)
{
    CaptureProgonRow(model, 1, 12990, 17.8);
    const TProgonRow &row = model.ProgonTable[0];
    EXPECT_DOUBLE_EQ(row.DValue, 10);
    EXPECT_DOUBLE_EQ(row.Current, model.ExpectedCurrent(12990));
    EXPECT_DOUBLE_EQ(row.DCurrentValue, row.Current - 17.8);
}

TEST_F(ProgonTest, CurrentRowIsTheFirstWithinTheGate)
{
    // Set levels 13000, 11000, 9000, 7000, 5000.
    EXPECT_EQ(ProgonCurrentRow(model, 9000), 3);
    EXPECT_EQ(ProgonCurrentRow(model, 9300), 3);
    EXPECT_EQ(ProgonCurrentRow(model, 9301), 0);
    EXPECT_EQ(ProgonCurrentRow(model, 100), 0);
    model.ProgonGate = 1500;
    EXPECT_EQ(ProgonCurrentRow(model, 10000), 2) << "within the gates of rows 2 and 3";
}

TEST(ProgonShade, GreenUnder2YellowUnder10)
{
    EXPECT_EQ(ProgonLevelShade(1001.9, 1000), TProgonShade::Green);
    EXPECT_EQ(ProgonLevelShade(998, 1000), TProgonShade::Yellow);
    EXPECT_EQ(ProgonLevelShade(1009.9, 1000), TProgonShade::Yellow);
    EXPECT_EQ(ProgonLevelShade(1010, 1000), TProgonShade::None);
}

} // namespace
} // namespace tals
