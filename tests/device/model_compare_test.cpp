#include "device/model_compare.h"

#include "device/command_table.h"
#include "device/tals352.h"
#include "tests/device/qstring_printer.h"

#include <gtest/gtest.h>

namespace tals {
namespace {

class ModelCompareTest : public ::testing::Test
{
protected:
    QStringList Names(TCompareScope scope) const
    {
        QStringList names;
        for (const TModelDifference &d : CompareModels(ours, theirs, scope))
            names << d.Name;
        return names;
    }

    TProgramModes modes;
    Ttals352 ours{modes};
    Ttals352 theirs{modes};
};

TEST_F(ModelCompareTest, TwoFreshModelsDoNotDiffer)
{
    EXPECT_TRUE(CompareModels(ours, theirs, TCompareScope::All).isEmpty());
}

TEST_F(ModelCompareTest, RealsDifferOnlyWhereTheirSinglesDiffer)
{
    struct Case
    {
        const char *name;
        TProp property;
        double value;
        bool differs;
    } const cases[] = {
        // The typical deviation has more digits than a single keeps.
        {"below single precision", TProp::FreqDev, 1056.7740479, false},
        {"next single", TProp::FreqDev, double(std::nextafter(float(1056.774048), 2000.f)), true},
        {"tiny offset below precision", TProp::KrFChH, -0.00015000000001, false},
        {"plain change", TProp::KKalman, 0.5, true},
        {"word", TProp::DSint, 190, true},
        {"signed word", TProp::DSdelta, -5, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Ttals352 other(modes);
        ASSERT_TRUE(other.SetPropertyFromDouble(c.property, c.value));
        const QList<TModelDifference> list = CompareModels(ours, other, TCompareScope::All);
        ASSERT_EQ(list.size(), c.differs ? 1 : 0);
        if (c.differs) {
            EXPECT_EQ(list[0].Name, QLatin1String(PropertyInfo(c.property).Name));
            EXPECT_EQ(list[0].Ours, ours.PropertyAsDouble(c.property));
            EXPECT_EQ(list[0].Theirs, c.value);
        }
    }
}

TEST_F(ModelCompareTest, TheScopeDecidesWhichGroupsAreCompared)
{
    theirs.SetHmax(20000);
    theirs.SetDSint(200);
    theirs.SetMUP(30);
    // Not written by the write-all: the current level (sent as 0), the
    // password and the information registers.
    theirs.SetLevelKalibr(100);
    theirs.SetPassword(24680);
    theirs.SetNfft(512);
    EXPECT_EQ(Names(TCompareScope::User), QStringList{"Hmax"});
    EXPECT_EQ(Names(TCompareScope::All), (QStringList{"Hmax", "DSint", "MUP"}));
}

TEST_F(ModelCompareTest, ADifferenceCarriesCaptionAndTheBlockThatWritesIt)
{
    theirs.SetKKalman(0.25);
    theirs.SetFreqNes(9500);
    theirs.SetCountBadZones(2);
    const QList<TModelDifference> list = CompareModels(ours, theirs, TCompareScope::All);
    ASSERT_EQ(list.size(), 3);
    EXPECT_EQ(list[0].Caption, QStringLiteral("Коэффициент сглаживания, от 0,01 до 1"));
    EXPECT_EQ(list[0].WriteCode, cmd::WriteUserRegisters);
    EXPECT_EQ(list[0].Encoding, TEncoding::Single);
    // A caption with the mode's limits gets them filled in.
    EXPECT_EQ(list[1].Caption, QStringLiteral("Несущая частота, МГц от 9000 до 10000"));
    EXPECT_EQ(list[1].WriteCode, cmd::WriteServiceRegisters2);
    EXPECT_EQ(list[2].Name, QStringLiteral("CountBadZones"));
    EXPECT_EQ(list[2].WriteCode, cmd::WriteBadZones);
}

TEST_F(ModelCompareTest, ZoneValuesAreComparedForTheZonesInUseOnEitherSide)
{
    // Zone 3 differs but is in use on neither side; zone 2 is in use on theirs.
    theirs.BadZone(1).FarBound.SetValue(TVariant(1500.5));
    theirs.BadZone(2).NearBound.SetValue(TVariant(2000.0));
    theirs.BadZone(3).DrainSpeed.SetValue(TVariant(5.0));
    EXPECT_EQ(Names(TCompareScope::All), QStringList{"BadZone1.FarBound"});
    EXPECT_TRUE(Names(TCompareScope::User).isEmpty());

    theirs.SetCountBadZones(2);
    const QList<TModelDifference> list = CompareModels(ours, theirs, TCompareScope::All);
    // In register order: the count, then the near bounds, then the far bounds.
    ASSERT_EQ(list.size(), 3);
    EXPECT_EQ(list[0].Name, QStringLiteral("CountBadZones"));
    EXPECT_EQ(list[1].Name, QStringLiteral("BadZone2.NearBound"));
    EXPECT_EQ(list[1].Caption, QStringLiteral("2.Плохая зона: Ближняя граница"));
    EXPECT_EQ(list[1].Theirs, 2000.0);
    EXPECT_EQ(list[2].Name, QStringLiteral("BadZone1.FarBound"));
}

TEST_F(ModelCompareTest, CopyingTheComparedValuesLeavesNoDifference)
{
    // Both directions of the Hmax/Lmax limit: the copy must set Hmax first.
    struct Case
    {
        double hmaxFrom, lmaxFrom, hmaxTo, lmaxTo;
    } const cases[] = {{10000, 5000, 30000, 20000}, {30000, 25000, 10000, 8000}};
    for (const Case &c : cases) {
        Ttals352 from(modes);
        Ttals352 to(modes);
        from.SetHmax(c.hmaxFrom);
        from.SetLmax(c.lmaxFrom);
        to.SetHmax(c.hmaxTo);
        to.SetLmax(c.lmaxTo);
        from.SetFreqDev(1000.125);
        from.SetCountBadZones(3);
        from.BadZone(3).FillSpeed.SetValue(TVariant(12.5));
        from.SetLevelKalibr(100);
        CopyComparedValues(from, to, TCompareScope::All);
        EXPECT_TRUE(CompareModels(from, to, TCompareScope::All).isEmpty());
        EXPECT_EQ(to.LevelKalibr(), 0) << "the current level is no configuration";
    }
    // The user scope leaves the service registers alone.
    Ttals352 from(modes);
    Ttals352 to(modes);
    from.SetFreqDev(1000);
    from.SetSpeed(5);
    CopyComparedValues(from, to, TCompareScope::User);
    EXPECT_EQ(to.Speed(), 5);
    EXPECT_EQ(to.FreqDev(), 1056.774048);
}

TEST(StoredValueTextTest, WritesTheValueAsTheRegisterKeepsIt)
{
    struct Case
    {
        TEncoding encoding;
        double value;
        QChar separator;
        const char *text;
    } const cases[] = {
        {TEncoding::Single, 0.1, QLatin1Char('.'), "0.1"},
        {TEncoding::Single, 1056.774048, QLatin1Char(','), "1056,774"},
        {TEncoding::Single, -0.00015, QLatin1Char(','), "-0,00015"},
        {TEncoding::Single, 30000, QLatin1Char('.'), "30000"},
        {TEncoding::Word, 1024, QLatin1Char(','), "1024"},
        {TEncoding::SignedWord, -88, QLatin1Char('.'), "-88"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(StoredValueText(c.encoding, c.value, c.separator), QLatin1String(c.text))
            << c.text;
}

TEST_F(ModelCompareTest, TheTextListsOneDifferencePerLineUnderAHeader)
{
    theirs.SetKKalman(0.25);
    theirs.SetCountSteps(512);
    const QString text =
        DifferencesText(CompareModels(ours, theirs, TCompareScope::All), QStringLiteral("Файл"),
                        QStringLiteral("Прибор"), QLatin1Char(','));
    const QStringList lines = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], QStringLiteral("Параметр\tИмя\tФайл\tПрибор"));
    EXPECT_EQ(lines[1], QStringLiteral("Коэффициент сглаживания, от 0,01 до 1\tKKalman\t1\t0,25"));
    EXPECT_TRUE(lines[2].endsWith(QStringLiteral("\tCountSteps\t1024\t512")))
        << lines[2].toStdString();
}

} // namespace
} // namespace tals
