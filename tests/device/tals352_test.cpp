#include "device/tals352.h"

#include "tests/device/qstring_printer.h"

#include <gtest/gtest.h>

#include <set>

namespace tals {
namespace {

class Tals352Test : public ::testing::Test
{
protected:
    TProgramModes modes;
    Ttals352 model{modes};
};

TEST_F(Tals352Test, StartsWithTheTableDefaults)
{
    for (const TPropertyInfo &p : PropertyTable())
        EXPECT_DOUBLE_EQ(model.PropertyAsDouble(p.Id), p.Default) << p.Name;
    EXPECT_EQ(model.SystemAddress(), 1);
    EXPECT_EQ(model.DeviceTypeNumber(), 20);
    EXPECT_EQ(model.ProgonMode(), 5);
    EXPECT_EQ(model.CalibrMode(), 2);
    EXPECT_DOUBLE_EQ(model.FreqDev(), 1056.774048);
    EXPECT_TRUE(model.Enabled());
    EXPECT_EQ(model.InUse().Value().ToInteger(), 2);
    EXPECT_EQ(model.LinkState().Value().ToInteger(), 0);
    EXPECT_EQ(model.LinkState().Description().Captions[tsTrue], QStringLiteral("Норма"));
    EXPECT_EQ(model.ErrorCode(), 0);
    EXPECT_EQ(model.ErrorText(), QStringLiteral("Норма"));
    EXPECT_EQ(model.Distance().Description().Digits, 1);
    EXPECT_EQ(model.Distance().Description().Dimension, QStringLiteral("мм"));
    EXPECT_EQ(model.TmpOfSensor().Description().Min(), -50);
    EXPECT_EQ(model.DeviceDescription().Title, QStringLiteral("ТАЛС352И"));
    EXPECT_EQ(model.BadZone(3).Description.Title, QStringLiteral("3.Плохая зона"));
    EXPECT_EQ(model.BadZone(3).FillSpeed.Tag, 3);
    EXPECT_EQ(model.BadZone(3).DrainSpeed.Output().ToDouble(), 100);
    EXPECT_EQ(model.CalibrTable.Points[1].SetValue, 2000);
    EXPECT_EQ(model.CalibrTableMMP.Points[4].SetValue, 2000);
    EXPECT_EQ(model.ProgonTable[0].Ruletka, 2000);
    EXPECT_EQ(model.ProgonTable[0].SetLevel, 13000);
    EXPECT_DOUBLE_EQ(model.ProgonTable[0].Current, 13000 * 16 / 30000.0 + 4);
}

TEST_F(Tals352Test, TableIsConsistent)
{
    std::set<int> readCodes, writeCodes;
    std::set<std::pair<int, int>> registers;
    for (const TPropertyInfo &p : PropertyTable()) {
        EXPECT_EQ(FindPropertyByName(p.Name), &p);
        EXPECT_EQ(p.Address >= 0, p.Encoding != TEncoding::None) << p.Name;
        if (p.ReadCode >= 0) {
            EXPECT_TRUE(readCodes.insert(p.ReadCode).second) << p.Name;
        }
        if (p.WriteCode >= 0) {
            EXPECT_TRUE(writeCodes.insert(p.WriteCode).second) << p.Name;
        }
        for (int w = 0; w < p.Words(); ++w)
            EXPECT_TRUE(registers.insert({int(p.Space), p.Address + w}).second) << p.Name;
        EXPECT_LE(p.Min, p.Max) << p.Name;
        EXPECT_EQ(p.IniSection == nullptr, p.IniKey == nullptr) << p.Name;
    }
}

TEST_F(Tals352Test, LmaxCannotExceedHmax)
{
    model.SetHmax(10000);
    model.SetLmax(12000);
    EXPECT_EQ(model.Lmax(), 30000); // was 30000 and stays
    model.SetLmax(9000);
    EXPECT_EQ(model.Lmax(), 9000);
    model.SetLmax(12000);
    EXPECT_EQ(model.Lmax(), 9000);
    model.SetHmax(5000); // below Lmax: accepted, Lmax stays above it
    EXPECT_EQ(model.Hmax(), 5000);
    EXPECT_EQ(model.Lmax(), 9000);
    EXPECT_EQ(model.PropertyMax(TProp::Lmax), 5000);
    model.SetLevelKalibr(9500);
    EXPECT_EQ(model.LevelKalibr(), 0);
    model.SetLevelKalibr(9000);
    EXPECT_EQ(model.LevelKalibr(), 9000);
}

TEST_F(Tals352Test, SettersIgnoreValuesOutsideTheirRange)
{
    struct Case
    {
        TProp prop;
        double refused, accepted;
    } cases[] = {
        {TProp::Hmax, 30000.5, 100},
        {TProp::KKalman, 0.009, 0.01},
        {TProp::Speed, 100, 99.999},
        {TProp::CurrentOutput_Input, 4, 3},
        {TProp::ControlCommand, 7, 6},
        {TProp::mbBaudRate, 13, 12},
        {TProp::KrPer, 1.6, 0.1},
        {TProp::SmPer, -10001, -10000},
        {TProp::FracDS, 1, 2},
        {TProp::DSint, 22, 23},
        {TProp::CountSkip, 4, 5},
        {TProp::IncreaseFreqStep, 0, 2},
        {TProp::ODPM, 1.09, 1.1},
        {TProp::MUP, 61, 60},
        {TProp::DPG, 1.11, 1.1},
        {TProp::CountBadZones, 0, 5},
        {TProp::AlgoritmType, 5, 4},
        {TProp::Ampl, 256, 255},
        {TProp::FreqRating, -1, 1e9},
        {TProp::ModePrediction, 3, 2},
        {TProp::PlantNumber, 65536, 65535},
        {TProp::DSdelta, 32768, -32768},
        {TProp::TimeUsed, -1, 1e15},
    };
    for (const Case &c : cases) {
        const double before = model.PropertyAsDouble(c.prop);
        EXPECT_FALSE(model.SetPropertyFromDouble(c.prop, c.refused)) << PropertyInfo(c.prop).Name;
        EXPECT_EQ(model.PropertyAsDouble(c.prop), before) << PropertyInfo(c.prop).Name;
        EXPECT_TRUE(model.SetPropertyFromDouble(c.prop, c.accepted)) << PropertyInfo(c.prop).Name;
        EXPECT_EQ(model.PropertyAsDouble(c.prop), c.accepted) << PropertyInfo(c.prop).Name;
    }
    EXPECT_FALSE(model.SetPropertyFromDouble(TProp::Usil, 3));
    EXPECT_FALSE(model.SetPropertyFromDouble(TProp::KrPer, std::nan("")));
    EXPECT_TRUE(model.SetPropertyFromDouble(TProp::MUP, 30.4)); // rounded
    EXPECT_EQ(model.MUP(), 30);
}

TEST_F(Tals352Test, OnlyDifferentValuesAreStored)
{
    EXPECT_FALSE(model.SetProperty(TProp::Hmax, TVariant(30000)));
    EXPECT_TRUE(model.SetProperty(TProp::Hmax, TVariant(20000)));
    EXPECT_FALSE(model.SetProperty(TProp::CalibrModeTals, TVariant(1)));
    model.ProgonTable[0].Value = 1;
    model.SetProgonMode(5);
    EXPECT_EQ(model.ProgonTable[0].Value, 1); // same mode: no reset
    model.SetProgonMode(2);
    EXPECT_EQ(model.ProgonTable[0].Value, 13000);
    model.ProgonGate = 50;
    model.SetProgonMode(3);
    EXPECT_EQ(model.ProgonMode(), 3);
    EXPECT_EQ(model.ProgonGate, 50);
}

TEST_F(Tals352Test, HighFrequencyLimitsFollowTheModeWhenTheSetterRuns)
{
    model.SetCountSteps(2048);
    EXPECT_EQ(model.CountSteps(), 1024);
    modes.HighFrequencyMode = true;
    EXPECT_EQ(model.PropertyMax(TProp::CountSteps), 2048);
    model.SetCountSteps(2048);
    EXPECT_EQ(model.CountSteps(), 2048);
    model.SetFreqNes(27000);
    model.SetFreqDev(3300);
    model.SetFreqPeriod(4);
    EXPECT_EQ(model.FreqNes(), 27000);
    EXPECT_EQ(model.FreqDev(), 3300);
    EXPECT_EQ(model.FreqPeriod(), 4);
    model.SetFreqPeriod(20);
    EXPECT_EQ(model.FreqPeriod(), 4);
    modes.HighFrequencyMode = false;
    EXPECT_EQ(model.CountSteps(), 2048); // stored values stay
    EXPECT_EQ(model.PropertyMin(TProp::FreqPeriod), 5);
}

TEST_F(Tals352Test, ControlCommandCopiesToRequestAndClearsAnswer)
{
    model.SetControlCommandAnswer(2);
    model.SetControlCommand(7);
    EXPECT_EQ(model.ControlCommandRequest(), 0);
    EXPECT_EQ(model.ControlCommandAnswer(), 2);
    model.SetControlCommand(2);
    EXPECT_EQ(model.ControlCommandRequest(), 2);
    EXPECT_EQ(model.ControlCommandAnswer(), 0);
    EXPECT_FALSE(model.IsArrayReady());
    model.SetControlCommandAnswer(2);
    EXPECT_TRUE(model.IsArrayReady());
}

TEST_F(Tals352Test, ErrorMaxResetsTheFailureCountOnlyWhenChanged)
{
    model.CountFailure();
    model.CountFailure();
    model.SetErrorMax(0);
    EXPECT_EQ(model.FailureCount(), 2);
    model.SetErrorMax(3);
    EXPECT_EQ(model.FailureCount(), 0);
    model.CountFailure();
    EXPECT_FALSE(model.FailureLimitReached());
}

TEST_F(Tals352Test, CalibrationModesResetTheirTables)
{
    model.SetCalibrMode(5);
    EXPECT_EQ(model.CalibrModeTals(), 0);
    EXPECT_EQ(model.CalibrTable.Points[1].SetValue, 8000);
    model.CalibrTable.Points[0].Measured = 1;
    model.SetCalibrMode(2);
    EXPECT_EQ(model.CalibrModeTals(), 1);
    EXPECT_EQ(model.CalibrTable.Points[0].Measured, 10000);
    EXPECT_EQ(model.CalibrTable.Tolerance, 1000);
    model.CalibrTable.Points[0].Measured = 1;
    model.SetCalibrMode(3); // stored without further effect
    EXPECT_EQ(model.CalibrMode(), 3);
    EXPECT_EQ(model.CalibrTable.Points[0].Measured, 1);

    model.CalibrTableMMP.Points[0].Measured = 1;
    model.SetCalibrModeMMP(5); // the same number resets too
    EXPECT_EQ(model.CalibrTableMMP.Points[0].Measured, 10000);
}

TEST_F(Tals352Test, ValueDigitsSetsTheDigitsOfTheLevelHolders)
{
    model.SetValueDigits(3);
    EXPECT_EQ(model.LevelBusy().Description().Digits, 3);
    EXPECT_EQ(model.LevelFree().Description().Digits, 3);
    EXPECT_EQ(model.Distance().Description().Digits, 3);
    EXPECT_EQ(model.TestDistance().Description().Digits, 1);
    model.SetValueDigits(-1);
    EXPECT_EQ(model.ValueDigits(), 3);
}

TEST_F(Tals352Test, SetDefaultsRestoresTypicalValuesOnly)
{
    model.SetHmax(1000);
    model.SetKrPer(0.5);
    model.SetDSdelta(-5);
    model.SetAmpl(9);
    model.SetCountBadZones(4);
    model.SetProgramType(1);
    model.SetPlantNumber(123);
    model.SetSystemAddress(7);
    model.Signature().Site = QStringLiteral("x");
    model.Distance().SetValue(TVariant(55.0));
    model.BadZone(2).NearBound.SetValue(TVariant(5.0));
    model.OpenFullAccess();
    EXPECT_TRUE(model.IsFullAccess());
    model.SetDefaults();
    EXPECT_EQ(model.Hmax(), 30000);
    EXPECT_EQ(model.KrPer(), 1);
    EXPECT_EQ(model.DSdelta(), 88);
    EXPECT_EQ(model.Ampl(), 1);
    EXPECT_EQ(model.CountBadZones(), 1);
    EXPECT_EQ(model.BadZone(2).NearBound.Output().ToDouble(), 0);
    EXPECT_FALSE(model.IsFullAccess());
    EXPECT_EQ(model.ProgramType(), 1);
    EXPECT_EQ(model.PlantNumber(), 123);
    EXPECT_EQ(model.SystemAddress(), 7);
    EXPECT_EQ(model.Signature().Site, QStringLiteral("x"));
    EXPECT_EQ(model.Distance().Output().ToDouble(), 55);
}

TEST_F(Tals352Test, NamesAndStatusTexts)
{
    EXPECT_EQ(model.DeviceTypeName(), QStringLiteral("ТАЛС351И"));
    model.SetProgramType(1);
    EXPECT_EQ(model.DeviceTypeName(), QStringLiteral("ТАЛС352И"));
    model.SetProgramType(2);
    EXPECT_EQ(model.DeviceTypeName(), QStringLiteral("Не известно"));
    EXPECT_EQ(model.CurrentRangeName(), QStringLiteral("4-20 мА"));
    EXPECT_EQ(Ttals352::RangeName(0), QStringLiteral("0-5 мА"));
    EXPECT_EQ(Ttals352::RangeName(3), QStringLiteral("Не известно"));
    EXPECT_EQ(model.AlgorithmName(), QStringLiteral("БПФ"));
    model.SetAlgoritmType(4);
    EXPECT_EQ(model.AlgorithmName(), QStringLiteral("Не известно"));
    EXPECT_EQ(Ttals352::StatusText(0x0005),
              QStringLiteral("1.Неисправен датчик температуры внутри блока обработки\r\n"
                             "3.Потеря данных о настройках пользователя в ПЗУ"));
    EXPECT_EQ(Ttals352::StatusText(0x8000), QStringLiteral("16.Зарезервировано"));
    EXPECT_EQ(Ttals352::StatusText(0), QString());
    EXPECT_EQ(Ttals352::StatusBits(0x8001), QStringLiteral("1000000000000001"));
}

TEST_F(Tals352Test, ErrorBookkeepingAndEnabled)
{
    model.SetError(-4, QStringLiteral("Ошибка контрольной суммы"));
    EXPECT_EQ(model.ErrorCode(), -4);
    EXPECT_EQ(model.LinkState().Value().ToInteger(), 2);
    EXPECT_EQ(model.LinkState().Description().Captions[tsTrue],
              QStringLiteral("Ошибка контрольной суммы"));
    model.SetEnabled(false);
    EXPECT_FALSE(model.Enabled());
    model.SetEnabled(true);
    EXPECT_TRUE(model.Enabled());
    EXPECT_EQ(model.InUse().Output().ToInteger(), -1);
}

TEST_F(Tals352Test, SignatureAndArrays)
{
    model.Signature().KRSV = QStringLiteral("k");
    TTals35xISignature copy;
    model.GetSignature(copy);
    EXPECT_EQ(copy.KRSV, QStringLiteral("k"));
    EXPECT_EQ(TTals35xISignature::Fields()[9].Name, std::string("crc"));
    model.ClearSignature();
    EXPECT_EQ(model.Signature(), TTals35xISignature());
    EXPECT_EQ(model.SpectrumMax(), 0);
    model.SpectrumArray.fill(-3);
    EXPECT_EQ(model.SpectrumMax(), 0);
    model.SpectrumArray[100] = 7.5;
    EXPECT_EQ(model.SpectrumMax(), 7.5);
    model.ClearSpectrum();
    EXPECT_EQ(model.SpectrumMax(), 0);
    EXPECT_FALSE(model.NewSoftware());
    model.SetSoftVersionNumber(2);
    EXPECT_TRUE(model.NewSoftware());
}

} // namespace
} // namespace tals
