#include "device/request_builder.h"

#include "tests/common/scripted_dialogs.h"

#include "tests/device/qstring_printer.h"

#include <gtest/gtest.h>

namespace tals {
namespace {

class RequestBuilderTest : public ::testing::Test
{
protected:
    QString hex(int code)
    {
        const Ttals352::TRequest r = BuildRequest(model, code);
        EXPECT_TRUE(r.Ok) << code;
        return FrameToHex(r.Frame);
    }
    TProgramModes modes;
    Ttals352 model{modes};
    test::ScriptedDialogs dialogs;
};

TEST_F(RequestBuilderTest, EveryCodeUpTo252BuildsAndSetsLastCommandCode)
{
    model.SetControlCommandAnswer(1);
    model.ArrayBlockIndex = 1;
    model.ArraySubKind = 20;
    for (int code = 0; code <= 252; ++code) {
        const Ttals352::TRequest r = BuildRequest(model, code);
        EXPECT_TRUE(r.Ok) << code;
        EXPECT_GE(r.Frame.size(), 3) << code;
        EXPECT_EQ(model.LastCommandCode(), code);
        EXPECT_EQ(ByteAt(r.Frame, 0), code == 80 ? 0 : 1) << code;
        EXPECT_EQ(ByteAt(r.Frame, 1), RequestFunction(code)) << code;
        EXPECT_LE(r.Frame.size(), 89) << code;
    }
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(RequestBuilderTest, CodesFrom253FailButAreRemembered)
{
    for (int code : {253, 254, 255}) {
        const Ttals352::TRequest r = BuildRequest(model, code);
        EXPECT_FALSE(r.Ok);
        EXPECT_TRUE(r.Frame.isEmpty());
        EXPECT_EQ(r.ErrorText, QStringLiteral("Ошибка формирования запроса"));
        EXPECT_EQ(model.LastCommandCode(), code);
    }
}

TEST_F(RequestBuilderTest, ModbusFrames)
{
    EXPECT_EQ(hex(6), QStringLiteral("01 03 03 E8 00 02"));
    EXPECT_EQ(FrameToHex(AppendCrc16(BuildRequest(model, 6).Frame)),
              QStringLiteral("01 03 03 E8 00 02 44 7B"));
    model.SetKKalman(1.0);
    EXPECT_EQ(hex(86), QStringLiteral("01 10 03 EE 00 02 04 3F 80 00 00"));
    model.SetDSdelta(-2);
    EXPECT_EQ(hex(117), QStringLiteral("01 10 0B C6 00 01 02 FF FE"));
    model.SetHmax(20000);
    model.SetLmax(1.0);
    EXPECT_EQ(hex(84), QStringLiteral("01 10 03 EA 00 02 04 3F 80 00 00"));
    EXPECT_EQ(hex(0), QStringLiteral("01 2B 0E 01 00"));
    EXPECT_EQ(hex(2), QStringLiteral("01 2B 0E 02 03"));
    EXPECT_EQ(hex(3), QStringLiteral("01 2B 0E 03 80"));
    EXPECT_EQ(hex(4), QStringLiteral("01 04 00 00 00 0F"));
    EXPECT_EQ(hex(5), QStringLiteral("01 03 03 E8 00 0D"));
    EXPECT_EQ(hex(14), QStringLiteral("01 03 04 8A 00 01"));
    EXPECT_EQ(hex(15), QStringLiteral("01 03 07 D0 00 0A"));
    EXPECT_EQ(hex(24), QStringLiteral("01 04 0B B8 00 23"));
    EXPECT_EQ(hex(25), QStringLiteral("01 04 0B D7 00 04"));
    EXPECT_EQ(hex(26), QStringLiteral("01 03 0B B8 00 13"));
    EXPECT_EQ(hex(44), QStringLiteral("01 03 0C 1C 00 1C"));
    EXPECT_EQ(hex(63), QStringLiteral("01 03 0C 80 00 0B"));
    EXPECT_EQ(hex(76), QStringLiteral("01 03 0C 38 00 29"));
    EXPECT_EQ(hex(77), QStringLiteral("01 04 27 10 00 02"));
    EXPECT_EQ(hex(81), QStringLiteral("01 03 00 02 00 01"));
    model.SetSystemAddress(0x11);
    EXPECT_EQ(hex(75), QStringLiteral("11 03 0C 38 00 01"));
}

TEST_F(RequestBuilderTest, BlockWritesAndTheirDifferences)
{
    model.SetLevelKalibr(500);
    model.SetSpeed(0.5);
    const QByteArray user = BuildRequest(model, 82).Frame;
    EXPECT_EQ(user.size(), 7 + 26);
    EXPECT_EQ(FrameToHex(user.mid(0, 7)), QStringLiteral("01 10 03 E8 00 0D 1A"));
    EXPECT_EQ(FrameToHex(user.mid(15, 4)), QStringLiteral("00 00 00 00")); // LevelKalibr as 0.0
    EXPECT_EQ(FrameToHex(user.mid(23, 4)), QStringLiteral("3F 00 00 00")); // Speed
    EXPECT_EQ(FrameToHex(user.mid(27, 6)), QStringLiteral("00 01 00 02 00 03"));
    EXPECT_EQ(hex(85), QStringLiteral("01 10 03 EC 00 02 04 43 FA 00 00"));
    EXPECT_EQ(hex(88), QStringLiteral("01 10 04 88 00 02 04 3F 00 00 00"));

    model.SetPlantNumber(0x1234);
    model.SetPlantNumberNew(0x0102);
    const QByteArray common = BuildRequest(model, 93).Frame;
    EXPECT_EQ(common.size(), 7 + 16);
    EXPECT_EQ(FrameToHex(common.mid(0, 11)), QStringLiteral("01 10 07 D2 00 08 10 12 34 00 06"));
    EXPECT_EQ(FrameToHex(common.mid(13, 2)), QStringLiteral("00 01")); // CalibrModeTals
    EXPECT_EQ(hex(96), QStringLiteral("01 10 07 D2 00 01 02 01 02"));

    EXPECT_EQ(BuildRequest(model, 102).Frame.size(), 7 + 38);
    EXPECT_EQ(BuildRequest(model, 120).Frame.size(), 7 + 56);
    EXPECT_EQ(BuildRequest(model, 139).Frame.size(), 7 + 22);

    model.SetCountBadZones(2);
    model.BadZone(1).NearBound.SetValue(TVariant(1.0));
    model.BadZone(5).DrainSpeed.SetValue(TVariant(-2.75));
    const QByteArray zones = BuildRequest(model, 152).Frame;
    EXPECT_EQ(zones.size(), 7 + 82);
    EXPECT_EQ(FrameToHex(zones.mid(0, 13)),
              QStringLiteral("01 10 0C 38 00 29 52 00 02 3F 80 00 00"));
    EXPECT_EQ(FrameToHex(zones.right(4)), QStringLiteral("C0 30 00 00"));
}

TEST_F(RequestBuilderTest, AddressAndProgramUpdateCommands)
{
    model.SetSystemAddress(9);
    model.SetPlantNumber(0x0203);
    model.SetSystemAddressNew(5);
    EXPECT_EQ(hex(80), QStringLiteral("00 10 00 00 00 03 06 00 14 02 03 00 05"));
    EXPECT_EQ(hex(79), QStringLiteral("09 10 00 03 00 03 06 00 14 02 03 3C 3C"));
}

TEST_F(RequestBuilderTest, ArrayBlockFollowsTheArrayState)
{
    model.ArrayBlockIndex = 103;
    model.SetControlCommandAnswer(1);
    EXPECT_EQ(hex(78), QStringLiteral("01 04 2F 0C 00 14")); // 12044..12063
    model.ArrayBlockIndex = 104;
    EXPECT_TRUE(BuildRequest(model, 78).Frame.isEmpty());
    EXPECT_TRUE(BuildRequest(model, 78).Ok);
    model.ArrayBlockIndex = 2;
    model.SetControlCommandAnswer(4);
    EXPECT_EQ(hex(78), QStringLiteral("01 04 27 34 00 20"));
    model.ArrayBlockIndex = 33;
    EXPECT_TRUE(BuildRequest(model, 78).Frame.isEmpty());
    model.SetControlCommandAnswer(3);
    model.ArrayBlockIndex = 1;
    EXPECT_TRUE(BuildRequest(model, 78).Frame.isEmpty());
}

TEST_F(RequestBuilderTest, ServiceProtocolFramesAndMemory)
{
    EXPECT_EQ(hex(153), QStringLiteral("01 01 02 00"));
    EXPECT_EQ(hex(158), QStringLiteral("01 01 02 05"));
    EXPECT_EQ(hex(159), QStringLiteral("01 02 01"));
    EXPECT_EQ(hex(160), QStringLiteral("01 10 03 AA 55"));
    model.SetPlantNumber(0x0A0B);
    model.SetSystemAddressNew(7);
    EXPECT_EQ(hex(162), QStringLiteral("01 25 05 14 0A 0B 07"));
    model.SetPlantNumberNew(0x0102);
    EXPECT_EQ(hex(163), QStringLiteral("01 30 03 01 02"));
    EXPECT_EQ(hex(168), QStringLiteral("01 B1 03 14 32"));
    EXPECT_EQ(model.ArrayKind, 20);
    EXPECT_EQ(model.ArraySubKind, 50);
    EXPECT_EQ(hex(170), QStringLiteral("01 B1 03 28 28"));
    EXPECT_EQ(model.ArrayKind, 40);
    EXPECT_EQ(model.ArraySubKind, 0);
    EXPECT_EQ(hex(174), QStringLiteral("01 B1 03 3C 02"));
    EXPECT_EQ(model.ArrayKind, 60);
    EXPECT_EQ(hex(176), QStringLiteral("01 B1 03 64 0C"));
    EXPECT_EQ(model.ArrayKind, 100);
    model.SetCountBadZones(3);
    EXPECT_EQ(hex(178), QStringLiteral("01 B2 04 04 00 03"));
    EXPECT_EQ(hex(180), QStringLiteral("01 B2 04 08 00 14"));
    EXPECT_EQ(model.SettingId, 8);
    model.SetODPM(2.0);
    EXPECT_EQ(hex(213), QStringLiteral("01 B3 06 41 40 00 00 00"));
    EXPECT_EQ(model.ParameterWriteId, 65);
    model.BadZone(2).FarBound.SetValue(TVariant(1.0));
    EXPECT_EQ(hex(194), QStringLiteral("01 B3 06 1F 3F 80 00 00"));
    EXPECT_EQ(hex(216), QStringLiteral("01 B4 02 64"));
    EXPECT_EQ(model.B4Value, 100);
    EXPECT_EQ(hex(219), QStringLiteral("01 B5 02 06"));
    EXPECT_EQ(hex(221), QStringLiteral("01 B6 02 00"));
    EXPECT_EQ(hex(226), QStringLiteral("01 B6 02 06"));
    EXPECT_EQ(hex(246), QStringLiteral("01 B6 02 36"));
    EXPECT_EQ(hex(252), QStringLiteral("01 B6 02 41"));
    EXPECT_EQ(model.ParameterReadId, 65);
}

TEST_F(RequestBuilderTest, ServiceArrayBlockWarnsButIsBuilt)
{
    model.ArraySubKind = 0;
    model.ArrayBlockIndex = 2;
    EXPECT_EQ(hex(165), QStringLiteral("01 A8 04 00 20 20"));
    EXPECT_EQ(BuildRequest(model, 165).Warning,
              QStringLiteral("Должна быть подана команда \"Инициализация чтения массива данных\""));
    model.ArraySubKind = 20;
    model.ArrayBlockIndex = 33;
    EXPECT_EQ(hex(165), QStringLiteral("01 A8 04 04 00 20"));
    EXPECT_EQ(BuildRequest(model, 165).Warning,
              QStringLiteral("Индекс блока данных должен быть в диапазоне от 1 до 32"));
    model.ArraySubKind = 30;
    model.ArrayBlockIndex = 17;
    EXPECT_EQ(BuildRequest(model, 165).Warning,
              QStringLiteral("Индекс блока данных должен быть в диапазоне от 1 до 16"));
    // Nothing to warn of: no text.
    model.ArrayBlockIndex = 16;
    EXPECT_TRUE(BuildRequest(model, 165).Warning.isEmpty());
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(RequestBuilderTest, SignatureIsClearedOnlyByCode1)
{
    model.Signature().Site = QStringLiteral("s");
    BuildRequest(model, 0);
    EXPECT_EQ(model.Signature().Site, QStringLiteral("s"));
    BuildRequest(model, 1);
    EXPECT_TRUE(model.Signature().Site.isEmpty());
}

} // namespace
} // namespace tals
