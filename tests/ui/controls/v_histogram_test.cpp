#include "ui/controls/v_histogram.h"

#include <QFontMetrics>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

using namespace tals;

namespace {

const QColor kEmpty(0xC0, 0xC0, 0xC0);
const QColor kBar(0x00, 0x00, 0x80);
const QColor kScale(0x10, 0x20, 0x30);
const QColor kValues(0x40, 0x50, 0x60);
const QColor kAlarm(0xFF, 0x00, 0x00);
const QColor kAttention(0xFF, 0xFF, 0x00);

// A frameless gauge with distinguishable colours, marks and numbers on.
struct GaugeFixture : ::testing::Test
{
    TVHistogram gauge;

    void Configure(int w, int h, double min, double max)
    {
        gauge.resize(w, h);
        gauge.SetBorder(bNone);
        gauge.SetColorScale(kScale);
        gauge.SetColorValues(kValues);
        gauge.SetRange(min, max);
        gauge.SetShowScaleMarks(true);
    }

    QColor Pixel(const QImage &image, int x, int y) const { return QColor(image.pixel(x, y)); }

    // Rows that hold at least one pixel of the colour in the column range.
    std::vector<int> RowsWith(const QImage &image, const QColor &color, int x0, int x1) const
    {
        std::vector<int> rows;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = x0; x <= x1; ++x) {
                if (Pixel(image, x, y) == color) {
                    rows.push_back(y);
                    break;
                }
            }
        }
        return rows;
    }

    // Rows with text or marks: pixels other than the empty area's colour.
    std::vector<int> RowsDrawn(const QImage &image, int x0, int x1) const
    {
        std::vector<int> rows;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = x0; x <= x1; ++x) {
                if (Pixel(image, x, y) != kEmpty) {
                    rows.push_back(y);
                    break;
                }
            }
        }
        return rows;
    }
};

} // namespace

TEST_F(GaugeFixture, NewGaugeHasItsInitialProperties)
{
    TVHistogram fresh;
    EXPECT_EQ(fresh.size(), QSize(50, 200));
    EXPECT_EQ(fresh.Border(), bLower);
    EXPECT_EQ(fresh.Value(), 0);
    EXPECT_EQ(fresh.Min(), 0);
    EXPECT_EQ(fresh.Max(), 100);
    EXPECT_EQ(fresh.ColorZoneAlarm(), kAlarm);
    EXPECT_EQ(fresh.ColorZoneAttention(), kAttention);
    EXPECT_EQ(fresh.ColorProductType(), cptManual);
    EXPECT_EQ(fresh.ColorProduct(), kBar);
    EXPECT_EQ(fresh.ColorEmpty(), kEmpty);
    EXPECT_EQ(fresh.ColorScale(), QColor(0x80, 0x80, 0x80));
    EXPECT_EQ(fresh.DValueSmall(), 2);
    EXPECT_EQ(fresh.DValueBig(), 10);
    EXPECT_EQ(fresh.DecimalSign(), 1);
    EXPECT_FALSE(fresh.ShowScaleMarks());
    EXPECT_FALSE(fresh.ShowScaleZones());
    EXPECT_FALSE(fresh.ShowValues());
    EXPECT_EQ(fresh.ScaleAlignment(), saLeft);
    EXPECT_FALSE(fresh.ScaleReverse());
}

TEST_F(GaugeFixture, SettersRefuseValuesThatBreakTheRange)
{
    gauge.SetRange(10, 50);
    gauge.SetMax(5);
    EXPECT_EQ(gauge.Max(), 50);
    gauge.SetMin(60);
    EXPECT_EQ(gauge.Min(), 10);
    gauge.SetRange(40, 20);
    EXPECT_EQ(gauge.Min(), 10);
    EXPECT_EQ(gauge.Max(), 50);
    gauge.SetMax(10);
    EXPECT_EQ(gauge.Max(), 10) << "Max equal to Min is accepted";
    gauge.SetRange(0, 100);

    gauge.SetDecimalSign(-1);
    EXPECT_EQ(gauge.DecimalSign(), 1);
    gauge.SetDValueBig(150);
    EXPECT_EQ(gauge.DValueBig(), 10);
    gauge.SetDValueSmall(-1);
    EXPECT_EQ(gauge.DValueSmall(), 2);
    gauge.SetDValueBig(30);
    EXPECT_EQ(gauge.DValueBig(), 30);
}

TEST_F(GaugeFixture, BarFillsFromTheValueRowDown)
{
    Configure(50, 200, 0, 100);
    gauge.SetShowScaleMarks(false);
    gauge.SetValue(50);
    EXPECT_EQ(gauge.Row(50), 100);
    const QImage image = gauge.Render();
    EXPECT_EQ(Pixel(image, 25, 0), kEmpty);
    EXPECT_EQ(Pixel(image, 25, 99), kEmpty);
    EXPECT_EQ(Pixel(image, 25, 100), kBar);
    EXPECT_EQ(Pixel(image, 25, 199), kBar);
}

TEST_F(GaugeFixture, ValueOutsideTheRangeLeavesTheBarWhereItWas)
{
    Configure(50, 200, 0, 100);
    gauge.SetValue(40);
    const QImage before = gauge.Render();
    gauge.SetValue(150);
    gauge.SetValue(-1);
    EXPECT_EQ(gauge.Value(), 40);
    EXPECT_EQ(gauge.Render(), before);
}

TEST_F(GaugeFixture, ValuesThatAreNoNumbersKeepTheLastGoodBar)
{
    Configure(50, 200, 0, 100);
    gauge.SetShowScaleZones(true);
    gauge.SetShowValues(true);
    gauge.SetValue(40);
    const QImage before = gauge.Render();
    for (double v : {std::nan(""), HUGE_VAL, -HUGE_VAL}) {
        gauge.SetValue(v);
        gauge.SetRange(0, v);
        gauge.SetRange(v, 100);
        gauge.SetMax(v);
        gauge.SetMin(v);
        gauge.SetDValueBig(v);
        gauge.SetDValueSmall(v);
        EXPECT_EQ(gauge.Row(v), -1);
    }
    EXPECT_EQ(gauge.Value(), 40);
    EXPECT_EQ(gauge.Min(), 0);
    EXPECT_EQ(gauge.Max(), 100);
    EXPECT_EQ(gauge.DValueBig(), 10);
    EXPECT_EQ(gauge.DValueSmall(), 2);
    EXPECT_EQ(gauge.Render(), before);
}

TEST_F(GaugeFixture, ExtremeRangesDrawWithinThePicture)
{
    // Rows far off the gauge, marks that add nothing to Min: drawn, and done.
    Configure(50, 200, 0, 1e-300);
    gauge.SetShowScaleZones(true);
    gauge.SetShowValues(true);
    EXPECT_LE(gauge.Row(85), 0);
    gauge.Render();
    gauge.SetRange(1e20, 1e20 + 1e5);
    gauge.SetValue(1e20 + 5e4);
    EXPECT_EQ(gauge.Render().size(), QSize(50, 200));
    gauge.SetRange(-1e308, 1e308);
    gauge.Render();
}

TEST_F(GaugeFixture, RowRoundsHalvesToEvenAndHasNoRowForAnEmptyRange)
{
    Configure(50, 10, 0, 4);
    EXPECT_EQ(gauge.Row(0.2), 10); // 0.5 rounds to 0
    EXPECT_EQ(gauge.Row(0.6), 8);  // 1.5 rounds to 2
    EXPECT_EQ(gauge.Row(4), 0);
    gauge.SetRange(3, 3);
    EXPECT_EQ(gauge.Row(3), -1);
    gauge.Render(); // an empty range must still draw
}

TEST_F(GaugeFixture, AutomaticBarColourFollowsTheZone)
{
    Configure(50, 200, 0, 100);
    gauge.SetShowScaleMarks(false);
    gauge.SetColorProductType(cptAuto);
    struct Case
    {
        double value;
        int zone;
        QColor color;
    };
    const Case cases[] = {{90, 0, kAlarm},     {85, 0, kAlarm}, {82, 1, kAttention},
                          {80, 1, kAttention}, {50, 2, kBar},   {20, 3, kAttention},
                          {18, 3, kAttention}, {15, 4, kAlarm}, {5, 4, kAlarm}};
    for (const Case &c : cases) {
        gauge.SetValue(c.value);
        EXPECT_EQ(gauge.Zone(), c.zone) << c.value;
        EXPECT_EQ(Pixel(gauge.Render(), 25, 199), c.color) << c.value;
    }
    gauge.SetColorProductType(cptManual);
    EXPECT_EQ(Pixel(gauge.Render(), 25, 199), kBar);
}

TEST_F(GaugeFixture, FrameColoursOfLowerAndUpperBorders)
{
    Configure(50, 200, 0, 100);
    gauge.SetShowScaleMarks(false);
    gauge.SetBorder(bLower);
    QImage image = gauge.Render();
    EXPECT_EQ(Pixel(image, 25, 0), QColor(Qt::black));
    EXPECT_EQ(Pixel(image, 0, 100), QColor(Qt::black));
    EXPECT_EQ(Pixel(image, 49, 100), QColor(Qt::white));
    EXPECT_EQ(Pixel(image, 25, 199), QColor(Qt::white));
    gauge.SetBorder(bUpper);
    image = gauge.Render();
    EXPECT_EQ(Pixel(image, 25, 0), QColor(Qt::white));
    EXPECT_EQ(Pixel(image, 49, 100), QColor(Qt::black));
}

TEST_F(GaugeFixture, RangeOf30000On383PixelsHasStep1000)
{
    Configure(60, 383, 0, 30000);
    const QImage image = gauge.Render();
    for (int k = 1; k < 60; ++k) {
        const double v = 500.0 * k;
        const int row = gauge.Row(v);
        EXPECT_EQ(Pixel(image, 4, row), kScale) << v;
        EXPECT_EQ(Pixel(image, 9, row) == kScale, k % 2 == 0) << "major mark only at " << v;
    }
    // Nothing at the range's ends, and no marks between the minor positions.
    const std::vector<int> rows = RowsWith(image, kScale, 0, 9);
    EXPECT_EQ(rows.size(), 59u);
    EXPECT_EQ(rows.front(), gauge.Row(29500));
    EXPECT_EQ(rows.back(), gauge.Row(500));
}

TEST_F(GaugeFixture, NumbersStandBesideTheMajorMarksOnly)
{
    Configure(80, 383, 0, 30000);
    gauge.SetShowValues(true);
    const QImage image = gauge.Render();
    const int half = QFontMetrics(gauge.font()).height() / 2;
    const std::vector<int> rows = RowsDrawn(image, 11, 79);
    ASSERT_FALSE(rows.empty());
    // The highest number is 29000 and the lowest 1000, each centred on its mark.
    EXPECT_GE(rows.front(), gauge.Row(29000) - half);
    EXPECT_LE(rows.front(), gauge.Row(29000));
    EXPECT_LE(rows.back(), gauge.Row(1000) + half + 1);
    EXPECT_GE(rows.back(), gauge.Row(1000));
    // Numbers start at column 20 and never touch the marks.
    EXPECT_TRUE(RowsDrawn(image, 11, 19).empty());
    EXPECT_FALSE(RowsDrawn(image, 20, 25).empty());
}

TEST_F(GaugeFixture, RangeOf100On200PixelsHasStep5)
{
    Configure(50, 200, 0, 100);
    const QImage image = gauge.Render();
    std::vector<int> majors;
    for (int row : RowsWith(image, kScale, 9, 9))
        majors.push_back(row);
    ASSERT_EQ(majors.size(), 19u);
    EXPECT_EQ(majors.front(), gauge.Row(95));
    EXPECT_EQ(majors.back(), gauge.Row(5));
    EXPECT_EQ(RowsWith(image, kScale, 4, 4).size(), 39u) << "minor marks every 2.5";
}

TEST_F(GaugeFixture, GaugeUnderTenPixelsDrawsNoMarks)
{
    Configure(50, 9, 0, 100);
    gauge.SetShowValues(true);
    const QImage image = gauge.Render();
    EXPECT_TRUE(RowsWith(image, kScale, 0, 49).empty());
    EXPECT_TRUE(RowsDrawn(image, 0, 49).empty());
}

TEST_F(GaugeFixture, RightAlignedMarksEndOnePixelShort)
{
    Configure(50, 200, 0, 100);
    gauge.SetScaleOffset(3);
    gauge.SetScaleAlignment(saRight);
    const QImage image = gauge.Render();
    const int row = gauge.Row(50);
    // Major mark: columns W-B-O-10 .. W-2-B-O with B = 0, O = 3.
    EXPECT_NE(Pixel(image, 36, row), kScale);
    EXPECT_EQ(Pixel(image, 37, row), kScale);
    EXPECT_EQ(Pixel(image, 45, row), kScale);
    EXPECT_NE(Pixel(image, 46, row), kScale);
}

TEST_F(GaugeFixture, ZonesDrawStripsDottedLinesAndTheScaleLine)
{
    Configure(50, 200, 0, 100);
    gauge.SetShowScaleMarks(false);
    gauge.SetShowScaleZones(true);
    gauge.SetValue(10);
    const QImage image = gauge.Render();
    EXPECT_EQ(Pixel(image, 1, 20), kAlarm) << "above 85";
    EXPECT_EQ(Pixel(image, 2, 35), kAttention) << "80 .. 85";
    EXPECT_EQ(Pixel(image, 2, 100), kEmpty) << "normal zone has no strip";
    EXPECT_EQ(Pixel(image, 3, 20), kEmpty) << "strip is beside the line only";
    EXPECT_EQ(Pixel(image, 1, 165), kAttention) << "15 .. 20";
    EXPECT_EQ(Pixel(image, 1, 190), kAlarm) << "below 15";
    EXPECT_EQ(Pixel(image, 0, 100), kScale) << "scale line";
    // Dotted line of the high attention zone on row 40.
    EXPECT_EQ(Pixel(image, 10, 40), kAttention);
    EXPECT_EQ(Pixel(image, 11, 40), kEmpty);
    EXPECT_NE(Pixel(image, 49, 40), kAttention);
}

TEST_F(GaugeFixture, ReverseScaleCountsFromTheTopAndDrawsNoZones)
{
    Configure(50, 200, 10, 110);
    gauge.SetShowScaleZones(true);
    const QImage normal = gauge.Render();
    EXPECT_EQ(Pixel(normal, 9, 20), kScale) << "mark of 105";
    gauge.SetScaleReverse(true);
    const QImage reversed = gauge.Render();
    EXPECT_NE(Pixel(reversed, 9, 20), kScale);
    EXPECT_EQ(Pixel(reversed, 9, 30), kScale) << "mark of 15 drawn at the row of 95";
    EXPECT_NE(Pixel(reversed, 0, 103), kScale) << "no scale line";
    EXPECT_EQ(Pixel(normal, 0, 103), kScale);
}

TEST_F(GaugeFixture, CaptionIsCentredNearTheTop)
{
    Configure(80, 200, 0, 100);
    gauge.SetShowScaleMarks(false);
    gauge.SetCaption(QStringLiteral("H"));
    const QImage image = gauge.Render();
    int minX = image.width(), maxX = -1;
    for (int y = 0; y < 60; ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (Pixel(image, x, y) != kEmpty) {
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
            }
        }
    }
    ASSERT_GE(maxX, 0);
    EXPECT_NEAR((minX + maxX) / 2.0, 40, 3);
}
