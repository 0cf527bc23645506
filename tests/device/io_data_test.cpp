#include "device/io_data.h"

#include "platform/format_settings.h"
#include "platform/ini_file.h"
#include "tests/common/test_support.h"

#include "tests/device/qstring_printer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

namespace tals {
namespace {

TEST(VariantTest, ComparesByValueAcrossKinds)
{
    EXPECT_EQ(TVariant(0), TVariant(0.0));
    EXPECT_EQ(TVariant(true), TVariant(-1));
    EXPECT_EQ(TVariant(false), TVariant(0.0));
    EXPECT_NE(TVariant(true), TVariant(1));
    EXPECT_NE(TVariant(1), TVariant(1.0000001));
    EXPECT_EQ(TVariant(true).ToInteger(), -1);
    EXPECT_EQ(TVariant(2.5).ToInteger(), 2); // half to even
    EXPECT_EQ(TVariant(3.5).ToInteger(), 4);
    EXPECT_THROW(TVariant(std::nan("")).ToInteger(), std::range_error);
    EXPECT_TRUE(TVariant(0.5).ToBool());
}

struct EventCounter
{
    int valueSet = 0, valueChange = 0, outputSet = 0, outputChange = 0;
    void bind(TIOData &h)
    {
        h.OnValueSet = [this](TIOData *) { ++valueSet; };
        h.OnValueChange = [this](TIOData *) { ++valueChange; };
        h.OnOutputSet = [this](TIOData *) { ++outputSet; };
        h.OnOutputChange = [this](TIOData *) { ++outputChange; };
    }
};

TEST(IODataTest, SameValueTwiceFiresChangeEventsOnce)
{
    TIODouble h;
    EventCounter c;
    c.bind(h);
    h.SetValue(TVariant(5.0));
    h.SetValue(TVariant(5.0));
    EXPECT_EQ(c.valueSet, 2);
    EXPECT_EQ(c.outputSet, 2);
    EXPECT_EQ(c.valueChange, 1);
    EXPECT_EQ(c.outputChange, 1);
    EXPECT_TRUE(h.Output().IsReal());
}

TEST(IODataTest, IntegerZeroEqualsRealZero)
{
    TIODouble h;
    EventCounter c;
    c.bind(h);
    h.SetValue(TVariant(0.0));
    EXPECT_EQ(c.valueChange, 0);
    EXPECT_EQ(c.outputChange, 0);
    EXPECT_EQ(c.outputSet, 1);
}

TEST(IODataTest, InactiveHolderOnlyStoresInputAndTime)
{
    TIODouble h;
    h.SetValue(TVariant(1.0));
    EventCounter c;
    c.bind(h);
    h.Active = false;
    h.SetValue(TVariant(7.0), 1000.5);
    EXPECT_EQ(h.Value(), TVariant(7.0));
    EXPECT_EQ(h.Output(), TVariant(1.0));
    EXPECT_DOUBLE_EQ(h.TimeStamp(), 1000.5);
    EXPECT_EQ(c.valueSet + c.valueChange + c.outputSet + c.outputChange, 0);
}

TEST(IODataTest, TimeStampIsNowWhenNoTimeGiven)
{
    TIODouble h;
    const TDateTime before = Now();
    h.SetValue(TVariant(3.0));
    EXPECT_GE(h.TimeStamp(), before - 1.0 / 86400);
    EXPECT_LE(h.TimeStamp(), Now() + 1.0 / 86400);
    EXPECT_DOUBLE_EQ(h.TimeOut().Duration, 1.0 / 1440);
}

TEST(IODataTest, FollowerWithoutPullWaitsForTheNextUpdate)
{
    TIODouble source, follower;
    source.SetValue(TVariant(12.0), 100.0);
    follower.SetSource(&source, false);
    EXPECT_EQ(follower.Output(), TVariant(0));
    source.SetValue(TVariant(13.0), 200.0);
    EXPECT_EQ(follower.Output(), TVariant(13.0));
    EXPECT_DOUBLE_EQ(follower.TimeStamp(), 200.0);
}

TEST(IODataTest, FollowerWithPullTakesOutputAndTimeAtOnce)
{
    TIODouble source, follower;
    source.SetValue(TVariant(12.0), 100.0);
    follower.SetSource(&source, true);
    EXPECT_EQ(follower.Output(), TVariant(12.0));
    EXPECT_DOUBLE_EQ(follower.TimeStamp(), 100.0);
    EXPECT_EQ(follower.Source(), &source);
    ASSERT_EQ(source.Followers().size(), 1u);

    follower.SetSource(nullptr, false);
    EXPECT_TRUE(source.Followers().empty());
    source.SetValue(TVariant(1.0));
    EXPECT_EQ(follower.Output(), TVariant(12.0));
}

TEST(IODataTest, FailingHandlerAbandonsTheRestOfTheUpdate)
{
    TIODouble h, follower;
    follower.SetSource(&h, false);
    int outputSets = 0;
    h.OnValueSet = [](TIOData *) { throw std::runtime_error("handler"); };
    h.OnOutputSet = [&](TIOData *) { ++outputSets; };
    h.SetValue(TVariant(4.0));
    EXPECT_EQ(h.Value(), TVariant(4.0));
    EXPECT_EQ(h.Output(), TVariant(0));
    EXPECT_EQ(outputSets, 0);
    EXPECT_EQ(follower.Output(), TVariant(0));
}

TEST(IODataTest, FailingConvertKeepsTheInputOnly)
{
    TIOThreeStates h;
    int outputSets = 0;
    h.OnOutputSet = [&](TIOData *) { ++outputSets; };
    h.SetValue(TVariant(std::nan("")));
    EXPECT_TRUE(h.Value().IsReal());
    EXPECT_EQ(h.Output(), TVariant(0));
    EXPECT_EQ(outputSets, 0);
}

TEST(IODataTest, FailingFollowerDoesNotStopTheOthers)
{
    TIODouble source, first, second, third;
    first.SetSource(&source, false);
    second.SetSource(&source, false);
    third.SetSource(&source, false);
    second.OnOutputSet = [](TIOData *) { throw std::runtime_error("follower"); };
    source.SetValue(TVariant(9.0));
    EXPECT_EQ(first.Output(), TVariant(9.0));
    EXPECT_EQ(second.Output(), TVariant(9.0));
    EXPECT_EQ(third.Output(), TVariant(9.0));
}

TEST(IODataTest, DestroyedSourceClearsItsFollowers)
{
    TIODouble follower;
    {
        TIODouble source;
        follower.SetSource(&source, true);
    }
    EXPECT_EQ(follower.Source(), nullptr);
    follower.SetSource(nullptr, false); // must not reach the destroyed source
    TIODouble other;
    follower.SetSource(&other, false);
    EXPECT_EQ(other.Followers().size(), 1u);
}

TEST(IODataTest, DestroyedFollowerLeavesTheSourceList)
{
    TIODouble source;
    {
        TIODouble follower;
        follower.SetSource(&source, false);
        EXPECT_EQ(source.Followers().size(), 1u);
    }
    EXPECT_TRUE(source.Followers().empty());
    source.SetValue(TVariant(2.0));
}

TEST(IODataTest, ThreeStatesConvertToIntegersWithoutClamping)
{
    TIOThreeStates h;
    EXPECT_EQ(h.Value(), TVariant(0));
    h.SetValue(TVariant(true));
    EXPECT_EQ(h.Output().Kind(), TVariant::TKind::Integer);
    EXPECT_EQ(h.Output().ToInteger(), -1);
    h.SetValue(TVariant(7.0));
    EXPECT_EQ(h.Output().ToInteger(), 7);
    EXPECT_EQ(h.Description().Name(), QStringLiteral("DescriptionOfThreeStates"));
    EXPECT_EQ(h.Description().Captions[tsTrue], QStringLiteral("On"));
}

TEST(IODataTest, AssignCopiesActiveAndDescriptionOnly)
{
    TIODouble a, b;
    a.Active = false;
    a.Tag = 5;
    a.Description().Title = QStringLiteral("Расстояние");
    a.Description().SetRange(-5, 5);
    a.Description().SetName(QStringLiteral("Other"));
    a.SetValue(TVariant(3.0));
    b.Assign(a);
    EXPECT_FALSE(b.Active);
    EXPECT_EQ(b.Tag, 0);
    EXPECT_EQ(b.Description().Title, QStringLiteral("Расстояние"));
    EXPECT_EQ(b.Description().Min(), -5);
    EXPECT_EQ(b.Description().Name(), QStringLiteral("DescriptionOfValue"));
    EXPECT_EQ(b.Value(), TVariant(0));
}

class FormatValueTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        saved = FormatSettings();
        TFormatSettings s = saved;
        s.DecimalSeparator = QLatin1Char(',');
        SetFormatSettings(s);
    }
    void TearDown() override { SetFormatSettings(saved); }
    TFormatSettings saved;
};

TEST_F(FormatValueTest, TitleValueAndUnit)
{
    TIODouble h;
    h.Description().Title = QStringLiteral("Расстояние");
    h.Description().Dimension = QStringLiteral("мм");
    h.SetValue(TVariant(1234.5));
    EXPECT_EQ(h.FormatValue(true, true), QStringLiteral("Расстояние: 1234,5, мм"));
    EXPECT_EQ(h.FormatValue(false, false), QStringLiteral("1234,5"));
    h.Description().Dimension = QStringLiteral("  ");
    EXPECT_EQ(h.FormatValue(false, true), QStringLiteral("1234,5"));
    h.Description().Title.clear();
    EXPECT_EQ(h.FormatValue(true, false), QStringLiteral(": 1234,5"));
    h.Description().Format = nfFixed;
    h.Description().Digits = 3;
    EXPECT_EQ(h.FormatValue(false, false), QStringLiteral("1234,500"));
}

TEST(DescriptionTest, RangeSettersKeepMinBelowMax)
{
    TDescriptionOfDouble d;
    d.SetMin(150);
    EXPECT_EQ(d.Min(), 0);
    d.SetRange(10, 5);
    EXPECT_EQ(d.Min(), 0);
    EXPECT_EQ(d.Max(), 100);
    d.SetMax(0);
    EXPECT_EQ(d.Max(), 0);
    TDescriptionOfDouble e;
    e.SetMin(-50);
    e.SetMax(100);
    EXPECT_EQ(e.Min(), -50);
    EXPECT_EQ(e.Name(), QStringLiteral("DescriptionOfValue"));
}

TEST(DescriptionTest, PlaceUnderTakesParentSectionAndFile)
{
    TDescriptionOfValue parent;
    parent.SetFileName(QStringLiteral("/tmp/a.ini"));
    parent.SetSection(QStringLiteral("Main"));
    TDescriptionOfDouble child;
    child.PlaceUnder(&parent);
    EXPECT_EQ(child.Section(), QStringLiteral("Main.DescriptionOfValue"));
    EXPECT_EQ(child.FileName(), QStringLiteral("/tmp/a.ini"));
    child.PlaceUnder(nullptr);
    EXPECT_EQ(child.Section(), QStringLiteral("Main.DescriptionOfValue"));
}

TEST(DescriptionTest, SaveAndLoadRoundTrip)
{
    test::ScratchDir dir;
    const QString file = dir.file(QStringLiteral("sub/desc.ini"));
    TDescriptionOfDouble d;
    d.SetFileName(file);
    d.SetSection(QStringLiteral("D"));
    d.Title = QStringLiteral("Температура");
    d.Dimension = QStringLiteral("°C");
    d.SetMin(-50);
    d.SetMax(100.5);
    d.Format = nfFixed;
    d.Digits = 1;
    d.Save();

    TDescriptionOfDouble e;
    e.SetFileName(file);
    e.SetSection(QStringLiteral("D"));
    e.Load();
    EXPECT_EQ(e.Title, QStringLiteral("Температура"));
    EXPECT_EQ(e.Dimension, QStringLiteral("°C"));
    EXPECT_EQ(e.Min(), -50);
    EXPECT_EQ(e.Max(), 100.5);
    EXPECT_EQ(e.Format, nfFixed);
    EXPECT_EQ(e.Digits, 1);

    TDescriptionOfThreeStates s;
    s.SetFileName(file);
    s.SetSection(QStringLiteral("S"));
    s.SetCaption(tsFalse, QStringLiteral("Нет"));
    s.Save();
    TIniFile ini(file);
    EXPECT_EQ(ini.ReadString(QStringLiteral("S"), QStringLiteral("Color2[tsTrue]"), QString()),
              QStringLiteral("-2147483633"));
    TDescriptionOfThreeStates t;
    t.SetFileName(file);
    t.SetSection(QStringLiteral("S"));
    t.Load();
    EXPECT_EQ(t.Captions[tsFalse], QStringLiteral("Нет"));
    EXPECT_EQ(t.Color2[tsTrue], clBtnFace);
}

TEST(DescriptionTest, LoadWithoutFormatKeyMeansScientificAndBadRangeIsKept)
{
    test::ScratchDir dir;
    const QString file = dir.file(QStringLiteral("d.ini"));
    test::writeAll(file, "[D]\r\nMin=200\r\nMax=100\r\nPrecision=300\r\n");
    TDescriptionOfDouble d;
    d.SetFileName(file);
    d.SetSection(QStringLiteral("D"));
    d.Load();
    EXPECT_EQ(d.Format, nfExponent);
    EXPECT_EQ(d.Min(), 0);
    EXPECT_EQ(d.Max(), 100);
    EXPECT_EQ(d.Precision, 300 & 0xFF);
}

} // namespace
} // namespace tals
