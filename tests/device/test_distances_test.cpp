#include "device/test_distances.h"
#include "device/test_tube.h"

#include <gtest/gtest.h>

namespace tals {
namespace {

TEST(TestDistances, DefaultsEndAtIndex300AndStopDistance)
{
    TTestDistances t;
    EXPECT_EQ(t.LastIndex(), 300);
    t.Last();
    EXPECT_DOUBLE_EQ(t.IdealDistance(), 16000);
    EXPECT_FALSE(t.Next());
    EXPECT_EQ(t.Index(), 300);
    t.First();
    EXPECT_FALSE(t.Prior());
    EXPECT_EQ(t.Index(), 0);
    EXPECT_DOUBLE_EQ(t.IdealDistance(), 1000);
}

TEST(TestDistances, NextNeverPassesTheStopWhileLastRoundsToTheNearestStep)
{
    TTestDistances t;
    t.SetRange(1090, 1000);
    EXPECT_TRUE(t.Next());
    EXPECT_DOUBLE_EQ(t.IdealDistance(), 1050);
    EXPECT_FALSE(t.Next());
    EXPECT_EQ(t.Index(), 1);
    t.Last();
    EXPECT_EQ(t.Index(), 2);
    EXPECT_DOUBLE_EQ(t.IdealDistance(), 1100);
}

TEST(TestDistances, LastIndexRoundsHalfStepsToEven)
{
    struct
    {
        double start, stop, offset;
        int last;
    } const cases[] = {
        {0, 25, 10, 2},   // 2.5 -> 2
        {0, 35, 10, 4},   // 3.5 -> 4
        {0, 34, 10, 3},   // 3.4 -> 3
        {100, 100, 7, 0}, // one point
    };
    for (const auto &c : cases) {
        TTestDistances t;
        t.SetRange(c.stop, c.start);
        t.SetOffset(c.offset);
        EXPECT_EQ(t.LastIndex(), c.last) << c.stop << " by " << c.offset;
    }
}

TEST(TestDistances, SettersRefuseAnInvertedRangeAndANonPositiveStep)
{
    TTestDistances t;
    t.SetRange(500, 600);
    EXPECT_DOUBLE_EQ(t.StartDistance(), 1000);
    EXPECT_DOUBLE_EQ(t.StopDistance(), 16000);
    t.SetOffset(0);
    t.SetOffset(-5);
    EXPECT_DOUBLE_EQ(t.Offset(), 50);
    t.SetRange(2000, 2000);
    EXPECT_DOUBLE_EQ(t.StartDistance(), 2000);
    EXPECT_DOUBLE_EQ(t.StopDistance(), 2000);
}

TEST(TestTube, ANewTestBackwardsStartsAt6000AndTakes61Steps)
{
    TTestTube t;
    EXPECT_EQ(t.Direction(), -1);
    t.Last();
    EXPECT_DOUBLE_EQ(t.IdealDistance(), 6000);
    int steps = 1;
    while (t.Prior())
        ++steps;
    EXPECT_EQ(steps, 61);
    EXPECT_DOUBLE_EQ(t.IdealDistance(), 0);
    t.SetDirection(0);
    t.SetDirection(2);
    EXPECT_EQ(t.Direction(), -1);
    t.SetDirection(1);
    EXPECT_EQ(t.Direction(), 1);
}

TEST(TubeMeasurements, RepeatedSetDistanceKeepsTheLaterValueInOrder)
{
    TTubeMeasurements m;
    m.Record(300, 301);
    m.Record(100, 99);
    m.Record(200, 205);
    m.Record(200, 202);
    ASSERT_EQ(m.Points().size(), 3u);
    EXPECT_DOUBLE_EQ(m.Points()[0].X, 100);
    EXPECT_DOUBLE_EQ(m.Points()[1].X, 200);
    EXPECT_DOUBLE_EQ(m.Points()[1].Y, 202);
    EXPECT_DOUBLE_EQ(m.Points()[2].X, 300);
}

TEST(TubeMeasurements, LinearMeasurementsGiveTheExactLineAndZeroErrors)
{
    // Measured y = 1.25·x - 40, so x = 0.8·y + 32.
    TTubeMeasurements m;
    for (double x = 0; x <= 6000; x += 500)
        m.Record(x, 1.25 * x - 40);
    const TTubeFit fit = m.Fit();
    EXPECT_NEAR(fit.Slope, 0.8, 1e-12);
    EXPECT_NEAR(fit.Offset, 32, 1e-9);
    for (const TTubePoint &e : m.Errors(fit))
        EXPECT_NEAR(e.Y, 0, 1e-9) << e.X;
}

TEST(TubeMeasurements, DegenerateFitsGiveZeroLineAndTheSetDistanceAsError)
{
    TTubeMeasurements one;
    one.Record(700, 690);
    EXPECT_DOUBLE_EQ(one.Fit().Slope, 0);
    EXPECT_DOUBLE_EQ(one.Errors(one.Fit())[0].Y, 700);

    TTubeMeasurements flat;
    flat.Record(100, 50);
    flat.Record(200, 50);
    const TTubeFit fit = flat.Fit();
    EXPECT_DOUBLE_EQ(fit.Slope, 0);
    EXPECT_DOUBLE_EQ(fit.Offset, 0);
    EXPECT_DOUBLE_EQ(flat.Errors(fit)[1].Y, 200);

    TTubeMeasurements two;
    two.Record(100, 103);
    two.Record(900, 880);
    for (const TTubePoint &e : two.Errors(two.Fit()))
        EXPECT_NEAR(e.Y, 0, 1e-9);
}

} // namespace
} // namespace tals
