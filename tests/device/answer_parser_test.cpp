#include "device/answer_parser.h"

#include "platform/codepage.h"
#include "platform/paths.h"
#include "tests/common/test_support.h"
#include "tests/device/qstring_printer.h"

#include <gtest/gtest.h>

#include <QDate>
#include <QFile>
#include <QRegularExpression>

namespace tals {
namespace {

// An answer with its CRC-16.
TBuffer Answer(const QByteArray &bytes)
{
    return FrameToBytes(AppendCrc16(bytes));
}

QByteArray Hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

// A read answer: address 1, function, byte count, data.
TBuffer ReadAnswer(quint8 function, const QByteArray &data)
{
    QByteArray f;
    f.append(char(1));
    f.append(char(function));
    f.append(char(data.size()));
    f.append(data);
    return Answer(f);
}

QByteArray Single(float v)
{
    QByteArray b;
    AppendSingle(b, v);
    return b;
}

QByteArray Word(quint16 v)
{
    QByteArray b;
    AppendWord(b, v);
    return b;
}

class AnswerParserTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        model.SetErrorMax(1);
        SetProgramDir(dir.path());
    }
    int link() const { return int(model.LinkState().Value().ToInteger()); }

    test::ScratchDir dir;
    TProgramModes modes;
    Ttals352 model{modes};
};

TEST_F(AnswerParserTest, EmptyAnswerThenValidAnswer)
{
    ParseAnswer(model, {}, 6);
    EXPECT_EQ(model.ErrorCode(), -1);
    EXPECT_EQ(model.ErrorText(), QStringLiteral("Нет ответа от устройства"));
    EXPECT_EQ(link(), 2);
    EXPECT_EQ(model.LinkState().Description().Captions[tsTrue],
              QStringLiteral("Нет ответа от устройства"));
    ParseAnswer(model, ReadAnswer(3, Single(100)), 6);
    EXPECT_EQ(model.ErrorCode(), 0);
    EXPECT_EQ(model.ErrorText(), QStringLiteral("Норма"));
    EXPECT_EQ(link(), 1);
    EXPECT_EQ(model.Hmax(), 100);
}

TEST_F(AnswerParserTest, FailuresAreReportedAfterErrorMaxInARow)
{
    model.SetErrorMax(3);
    ParseAnswer(model, {}, 6);
    ParseAnswer(model, FrameToBytes(Hex("01 03")), 6);
    EXPECT_EQ(model.ErrorCode(), 0);
    EXPECT_EQ(model.ErrorText(), QStringLiteral("Норма"));
    EXPECT_EQ(model.FailureCount(), 2);
    EXPECT_EQ(link(), 0);
    TBuffer bad = ReadAnswer(3, Single(1));
    bad.back() ^= 1;
    ParseAnswer(model, bad, 6);
    EXPECT_EQ(model.ErrorCode(), -4);
    EXPECT_EQ(model.ErrorText(), QStringLiteral("Ошибка контрольной суммы"));
    EXPECT_EQ(link(), 2);
}

TEST_F(AnswerParserTest, LinkErrors)
{
    struct Case
    {
        TBuffer answer;
        int code;
        QString text;
    } cases[] = {
        {FrameToBytes(Hex("01 03 02 00")), -3, QStringLiteral("Ошибка чтения")},
        {FrameToBytes(Hex("01 83 02 C0 F1")), -7,
         QStringLiteral("Код 2 - Недопустимый адрес запроса")},
        {Answer(Hex("01 83 01")), -7, QStringLiteral("Код 1 - Недопустимый код функции запроса")},
        {Answer(Hex("01 90 03")), -7, QStringLiteral("Код 3 - Недопустимые данные запроса")},
        {Answer(Hex("01 FA 04 00")), -7,
         QStringLiteral("Код 4 - Ошибка во время выполнения запроса")},
        {Answer(Hex("01 03 02 00 01 02")), -4, QStringLiteral("Ошибка контрольной суммы")},
    };
    cases[5].answer.back() ^= 0x80;
    for (const Case &c : cases) {
        ParseAnswer(model, c.answer, 6);
        EXPECT_EQ(model.ErrorCode(), c.code) << c.text.toStdString();
        EXPECT_EQ(model.ErrorText(), c.text);
        EXPECT_EQ(link(), 2);
    }
}

// Gateways answer 10 and 11 when the device behind them is gone; every other
// code is reported with its number too, once the failure limit is reached.
TEST_F(AnswerParserTest, ExceptionCodesBeyondFourHaveTheirOwnText)
{
    const std::pair<const char *, QString> cases[] = {
        {"01 83 05", QStringLiteral("Код 5 - Неизвестная ошибка устройства")},
        {"01 83 0A", QStringLiteral("Код 10 - Шлюз: путь к устройству недоступен")},
        {"01 84 0B", QStringLiteral("Код 11 - Шлюз: устройство не отвечает")},
    };
    for (const auto &[hex, text] : cases) {
        ParseAnswer(model, Answer(Hex(hex)), 6);
        EXPECT_EQ(model.ErrorCode(), -7) << hex;
        EXPECT_EQ(model.ErrorText(), text);
        EXPECT_EQ(link(), 2);
    }
    // Below the limit the failure is only counted.
    model.SetErrorMax(2);
    ParseAnswer(model, Answer(Hex("01 83 0B")), 6);
    EXPECT_EQ(model.ErrorCode(), 0);
    EXPECT_EQ(model.FailureCount(), 1);
}

// An answer that is not the answer to the request is decoded as nothing:
// another slave's, another function's, or a read with another byte count.
TEST_F(AnswerParserTest, AnswersNotMatchingTheRequestAreFailures)
{
    const QByteArray request = Hex("01 04 00 00 00 0F");
    QByteArray data = Word(0) + Single(1500) + Single(2500) + Single(3500);
    data += QByteArray(12, 0) + Single(21.5f);
    auto frame = [&](quint8 address, quint8 function, int count, const QByteArray &payload) {
        QByteArray f;
        f.append(char(address));
        f.append(char(function));
        f.append(char(count));
        f.append(payload);
        return Answer(f);
    };
    model.Distance().SetValue(TVariant(10.0));
    const TBuffer answers[] = {
        frame(2, 4, 30, data),                    // another slave
        frame(1, 3, 30, data),                    // another function
        frame(1, 4, 28, data.left(28)),           // another byte count
        frame(1, 0x2B, 0x0E, Hex("01 01 00 00")), // an identification answer
    };
    for (const TBuffer &answer : answers) {
        const TReadings readings = ParseAnswer(model, answer, 4, request).Readings;
        EXPECT_EQ(model.ErrorCode(), kMismatchErrorCode);
        EXPECT_EQ(model.ErrorText(), MismatchText());
        EXPECT_EQ(link(), 2);
        EXPECT_FALSE(readings.Any());
        EXPECT_EQ(model.Distance().Output().ToDouble(), 10);
    }
    EXPECT_FALSE(QFile::exists(BlackBoxPath())); // no false faults
    // Without the request frame the address and function follow from the model.
    ParseAnswer(model, frame(2, 4, 30, data), 4);
    EXPECT_EQ(model.ErrorCode(), kMismatchErrorCode);
    // The matching answer decodes.
    const TReadings readings = ParseAnswer(model, frame(1, 4, 30, data), 4, request).Readings;
    EXPECT_EQ(model.ErrorCode(), 0);
    EXPECT_EQ(readings.Value(TReading::Distance), 1500.0);
}

TEST_F(AnswerParserTest, SingleRegisterDecoders)
{
    ParseAnswer(model, ReadAnswer(3, Hex("3F 00 00 00")), 10);
    EXPECT_EQ(model.Speed(), 0.5);
    ParseAnswer(model, ReadAnswer(3, Single(40000)), 6);
    EXPECT_EQ(model.Hmax(), 30000);
    EXPECT_EQ(model.ErrorCode(), 0);
    EXPECT_EQ(link(), 1);
    ParseAnswer(model, ReadAnswer(3, Word(0xFFFE)), 41);
    EXPECT_EQ(model.DSdelta(), -2);
    ParseAnswer(model, ReadAnswer(3, Word(0)), 21);
    EXPECT_EQ(model.CalibrModeTals(), 0);
    ParseAnswer(model, ReadAnswer(3, Word(777)), 28);
    EXPECT_EQ(model.PPMNumber(), 777);
    EXPECT_EQ(model.PPMNumberText, QStringLiteral("777"));
    ParseAnswer(model, ReadAnswer(3, Word(4321)), 18);
    EXPECT_EQ(model.PlantNumber(), 4321);
    ParseAnswer(model, ReadAnswer(3, Word(2)), 14); // validated only
    EXPECT_EQ(model.LevelState(), 0);
    EXPECT_EQ(link(), 1);
}

TEST_F(AnswerParserTest, ShortSingleRegisterAnswerIsAReadErrorThenSuccess)
{
    ParseAnswer(model, ReadAnswer(3, Hex("47")), 6); // 6 bytes, single needs 9
    EXPECT_EQ(model.Hmax(), 30000);
    EXPECT_EQ(model.ErrorCode(), -3);
    EXPECT_EQ(model.ErrorText(), QStringLiteral("Ошибка чтения"));
    EXPECT_EQ(link(), 1);
    EXPECT_EQ(model.FailureCount(), 0);
}

TEST_F(AnswerParserTest, OwnEndingDecoderStoresNothingWhenShort)
{
    QByteArray data = Single(1000) + Single(900);
    ParseAnswer(model, ReadAnswer(3, data), 5);
    EXPECT_EQ(model.Hmax(), 30000);
    EXPECT_EQ(model.ErrorCode(), -3);
    EXPECT_EQ(link(), 2);
}

TEST_F(AnswerParserTest, UserRegistersBlock)
{
    const QByteArray data = Single(20000) + Single(15000) + Single(100) + Single(0.5f) +
                            Single(2.5f) + Word(3) + Word(1) + Word(9);
    ParseAnswer(model, ReadAnswer(3, data), 5);
    EXPECT_EQ(model.Hmax(), 20000);
    EXPECT_EQ(model.Lmax(), 15000);
    EXPECT_EQ(model.LevelKalibr(), 100);
    EXPECT_EQ(model.KKalman(), 0.5);
    EXPECT_EQ(model.Speed(), 2.5);
    EXPECT_EQ(model.CurrentOutput_Input(), 3);
    EXPECT_EQ(model.CurrentOutput_Range(), 1);
    EXPECT_EQ(model.CurrentOutput_ErrorValue(), 3); // 9 out of range
    EXPECT_EQ(link(), 1);
}

TEST_F(AnswerParserTest, InformationBlock)
{
    QByteArray data;
    for (int i = 0; i < 14; ++i)
        data += Word(quint16(100 + i));
    data += Hex("89 AB CD EF"); // SCLK
    data += Word(1) + Word(2) + Word(3) + Word(4) + Word(200);
    data += Single(1234.5f);
    data += Hex("01 02 03 04 05 06 07 08"); // TimeStamp
    data += Hex("80 00 00 00 00 00 00 01"); // TimeUsed negative: refused
    data += Single(111) + Single(222);
    ASSERT_EQ(data.size(), 70);
    ParseAnswer(model, ReadAnswer(4, data), 24);
    EXPECT_EQ(model.HoldSettingsStart(), 100);
    EXPECT_EQ(model.FreqsLength(), 113);
    EXPECT_EQ(model.SCLK(), 0x89ABCDEFu);
    EXPECT_EQ(model.Nfft(), 4);
    EXPECT_EQ(model.Ampl(), 200);
    EXPECT_EQ(model.FreqRating(), 1234.5);
    EXPECT_EQ(model.TimeStamp(), 0x0102030405060708LL);
    EXPECT_EQ(model.TimeUsed(), 0);
    EXPECT_EQ(model.TestDistance().Output().ToDouble(), 111);
    EXPECT_EQ(model.TestDistanceFlt().Output().ToDouble(), 222);
}

TEST_F(AnswerParserTest, BadZonesBlock)
{
    QByteArray data = Word(3);
    for (int k = 0; k < 20; ++k)
        data += Single(float(k + 1));
    ParseAnswer(model, ReadAnswer(3, data), 76);
    EXPECT_EQ(model.CountBadZones(), 3);
    EXPECT_EQ(model.BadZone(1).NearBound.Output().ToDouble(), 1);
    EXPECT_EQ(model.BadZone(2).FarBound.Output().ToDouble(), 7);
    EXPECT_EQ(model.BadZone(5).FillSpeed.Output().ToDouble(), 15);
    EXPECT_EQ(model.BadZone(5).DrainSpeed.Output().ToDouble(), 20);
}

TEST_F(AnswerParserTest, ReadingsBlock)
{
    QByteArray data = Word(0) + Single(1500) + Single(2500) + Single(3500);
    data += QByteArray(12, 0);
    data += Single(21.5f);
    const TReadings readings = ParseAnswer(model, ReadAnswer(4, data), 4).Readings;
    EXPECT_EQ(model.Distance().Output().ToDouble(), 1500);
    EXPECT_EQ(model.LevelFree().Output().ToDouble(), 2500);
    EXPECT_EQ(model.LevelBusy().Output().ToDouble(), 3500);
    EXPECT_EQ(model.TmpOfSensor().Output().ToDouble(), 21.5);
    EXPECT_EQ(link(), 1);
    // The same values come back as the plain readings of this answer.
    EXPECT_EQ(readings.Value(TReading::Distance), 1500.0);
    EXPECT_EQ(readings.Value(TReading::LevelFree), 2500.0);
    EXPECT_EQ(readings.Value(TReading::LevelBusy), 3500.0);
    EXPECT_EQ(readings.Value(TReading::TmpOfSensor), 21.5);
    EXPECT_FALSE(readings.Value(TReading::TestDistance));
}

// NaN (0x7FC00000) and infinities in the level registers are no numbers:
// the holders show "нет данных" and the plain readings leave them out.
TEST_F(AnswerParserTest, NanAndInfiniteReadingsAreNoData)
{
    const QByteArray nan = Hex("7F C0 00 00");
    const QByteArray inf = Hex("7F 80 00 00");
    QByteArray data = Word(0) + nan + Single(2500) + inf + QByteArray(12, 0) + Single(21.5f);
    const TReadings readings = ParseAnswer(model, ReadAnswer(4, data), 4).Readings;
    EXPECT_EQ(model.ErrorCode(), 0);
    EXPECT_FALSE(readings.Value(TReading::Distance));
    EXPECT_FALSE(readings.Value(TReading::LevelBusy));
    EXPECT_EQ(readings.Value(TReading::LevelFree), 2500.0);
    EXPECT_EQ(readings.Value(TReading::TmpOfSensor), 21.5);
    EXPECT_EQ(model.Distance().FormatValue(false, true), QStringLiteral("нет данных"));
    EXPECT_EQ(model.LevelBusy().FormatValue(true, true), QStringLiteral("Уровень: нет данных"));
    EXPECT_EQ(model.LevelFree().FormatValue(false, false), QStringLiteral("2500"));
    // The test distances alike.
    const TReadings test = ParseAnswer(model, ReadAnswer(4, nan + Single(7)), 25).Readings;
    EXPECT_FALSE(test.Value(TReading::TestDistance));
    EXPECT_EQ(test.Value(TReading::TestDistanceFlt), 7.0);
}

TEST_F(AnswerParserTest, ReadingsWithStatusWordWriteTheBlackBox)
{
    model.Distance().SetValue(TVariant(10.0));
    QByteArray data = Word(0x0008) + Single(1500) + QByteArray(24, 0);
    ParseAnswer(model, ReadAnswer(4, data), 4);
    EXPECT_EQ(model.ErrorCode(), 8);
    EXPECT_EQ(model.ErrorText(),
              QStringLiteral("4.Ошибка при сохранении данных в ПЗУ, сбой или отказ ПЗУ"));
    EXPECT_EQ(link(), 2);
    EXPECT_EQ(model.Distance().Output().ToDouble(), 10);

    const QString path =
        JoinPath(dir.path(), QStringLiteral("DATA/") +
                                 QDate::currentDate().toString(QStringLiteral("yyyy/MM/dd")) +
                                 QStringLiteral("/BlackBox.txt"));
    EXPECT_EQ(BlackBoxPath(), path);
    const QString text = FromCp1251(test::readAll(path));
    static const QRegularExpression line(QStringLiteral(
        "^\\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d:\\d\\d,\\d{3}  8 Максимальное усиление\r\n$"));
    EXPECT_TRUE(line.match(text).hasMatch()) << text.toStdString();

    // The same fault at the next polls is not written again.
    ParseAnswer(model, ReadAnswer(4, data), 4);
    ParseAnswer(model, ReadAnswer(4, data), 4);
    EXPECT_EQ(FromCp1251(test::readAll(path)).count(QStringLiteral("\r\n")), 1);

    // An unknown fault names its bits.
    model.SetErrorMax(2);
    const QByteArray unknown = Word(0x010C) + QByteArray(28, 0);
    ParseAnswer(model, ReadAnswer(4, unknown), 4);
    EXPECT_EQ(model.ErrorCode(), 0x010C); // set, though not reported yet
    EXPECT_TRUE(FromCp1251(test::readAll(path))
                    .endsWith(QStringLiteral(" Неизвестная ошибка, биты 2, 3, 8\r\n")));
    // A good answer in between lets the same fault be written again.
    ParseAnswer(model, ReadAnswer(4, Word(0) + QByteArray(28, 0)), 4);
    ParseAnswer(model, ReadAnswer(4, data), 4);
    EXPECT_EQ(FromCp1251(test::readAll(path)).count(QStringLiteral("\r\n")), 3);
    EXPECT_EQ(BlackBoxText(0x0100), QStringLiteral("Неизвестная ошибка, бит 8"));
}

TEST_F(AnswerParserTest, BlackBoxUsesAnExistingDataFolderOfAnyCase)
{
    ASSERT_TRUE(ForceDirectories(JoinPath(dir.path(), QStringLiteral("data"))));
    EXPECT_TRUE(BlackBoxPath().startsWith(JoinPath(dir.path(), QStringLiteral("data/"))));
}

TEST_F(AnswerParserTest, ShortReadingsAreAReadError)
{
    ParseAnswer(model, ReadAnswer(4, QByteArray(29, 0)), 4); // 34 bytes
    EXPECT_EQ(model.ErrorCode(), -3);
}

TEST_F(AnswerParserTest, SignatureAnswers)
{
    int calls = 0;
    model.OnReadSignature = [&](Ttals352 *sender, quint8 address, int type, quint16 plant,
                                quint8 hw, quint8 sw) {
        ++calls;
        EXPECT_EQ(sender, &model);
        EXPECT_EQ(address, 1);
        EXPECT_EQ(type, 20);
        EXPECT_EQ(plant, 12345);
        EXPECT_EQ(hw, 2);
        EXPECT_EQ(sw, 3);
    };
    QByteArray a1(63, ' ');
    a1[0] = 1;
    a1[1] = 0x2B;
    a1.replace(10, 9, "01.02.2026");
    a1.replace(21, 5, "12345");
    a1.replace(41, 3, "002");
    a1.replace(58, 3, "3  ");
    ParseAnswer(model, Answer(a1.left(61)), 1);
    EXPECT_EQ(model.Signature().Manufactured, QStringLiteral("01.02.202"));
    EXPECT_EQ(model.Signature().PlantNumber, QStringLiteral("12345"));
    EXPECT_EQ(model.PlantNumber(), 12345);
    EXPECT_EQ(model.HardVersionNumber(), 2);
    EXPECT_EQ(model.SoftVersionNumber(), 3);
    EXPECT_EQ(calls, 1);

    QByteArray a3(43, '-');
    a3[0] = 1;
    a3[1] = 0x2B;
    a3.replace(25, 2, "21");
    ParseAnswer(model, Answer(a3), 3);
    EXPECT_EQ(model.DeviceTypeNumber(), 21);
    a3.replace(25, 2, "x1");
    ParseAnswer(model, Answer(a3), 3);
    EXPECT_EQ(model.DeviceTypeNumber(), 0);
}

TEST_F(AnswerParserTest, ArrayBlocks)
{
    model.SetControlCommandAnswer(1);
    model.ArrayBlockIndex = 103;
    QByteArray words;
    for (int k = 0; k < 20; ++k)
        words += Word(quint16(k + 1));
    ParseAnswer(model, ReadAnswer(4, words), 78);
    EXPECT_EQ(model.SignalArray[2040], 1);
    EXPECT_EQ(model.SignalArray[2059], 20);
    model.SetControlCommandAnswer(2);
    model.ArrayBlockIndex = 32;
    QByteArray singles;
    for (int k = 0; k < 16; ++k)
        singles += Single(float(k) + 0.5f);
    ParseAnswer(model, ReadAnswer(4, singles), 78);
    EXPECT_EQ(model.SpectrumArray[511], 15.5);
    model.ArrayBlockIndex = 33;
    model.SetControlCommandAnswer(4);
    ParseAnswer(model, ReadAnswer(4, singles), 78);
    EXPECT_EQ(model.ResidualMax(), 0);
    EXPECT_EQ(link(), 1);
    ParseAnswer(model, ReadAnswer(4, words), 78); // 45 bytes, spectrum needs 69
    EXPECT_EQ(model.ErrorCode(), -3);
}

TEST_F(AnswerParserTest, AddressReadBack)
{
    model.SetSystemAddressNew(5);
    std::vector<std::pair<int, bool>> calls;
    model.OnReadAddress = [&](Ttals352 *, quint16 address, bool matches) {
        calls.push_back({address, matches});
    };
    ParseAnswer(model, ReadAnswer(3, Word(0x0105)), 81);
    ParseAnswer(model, ReadAnswer(3, Word(6)), 81);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0], std::make_pair(0x0105, true));
    EXPECT_EQ(calls[1], std::make_pair(6, false));
}

TEST_F(AnswerParserTest, ServiceAnswersEchoingTheirFunctionAreValid)
{
    ParseAnswer(model, Answer(Hex("01 B3 06 41")), 213);
    EXPECT_EQ(model.ErrorCode(), 0);
    EXPECT_EQ(link(), 1);
    ParseAnswer(model, Answer(Hex("01 FA 02 00")), 213);
    EXPECT_EQ(model.ErrorCode(), -7);
}

TEST_F(AnswerParserTest, SecondDeviceType)
{
    auto answer = [](quint8 low, quint8 high) {
        QByteArray f = Hex("01 00 01 00 04");
        f.append(char(low));
        f.append(char(high));
        return FrameToBytes(AppendCrc8(f));
    };
    ParseZelvinAnswer(model, answer(0x2C, 0x01));
    EXPECT_DOUBLE_EQ(model.CurrentOutput().Output().ToDouble(), 3.0);
    EXPECT_EQ(link(), 1);
    ParseZelvinAnswer(model, answer(0x18, 0xFC));
    EXPECT_DOUBLE_EQ(model.CurrentOutput().Output().ToDouble(), -10.0);

    ParseZelvinAnswer(model, {});
    EXPECT_EQ(model.ErrorCode(), -1);
    ParseZelvinAnswer(model, FrameToBytes(Hex("01 00 01 00")));
    EXPECT_EQ(model.ErrorCode(), -3);
    TBuffer bad = answer(1, 2);
    bad.back() ^= 1;
    ParseZelvinAnswer(model, bad);
    EXPECT_EQ(model.ErrorCode(), -4);
    ParseZelvinAnswer(model, FrameToBytes(AppendCrc8(Hex("01 00 01 00 04 01"))));
    EXPECT_EQ(model.ErrorCode(), -3);
    EXPECT_DOUBLE_EQ(model.CurrentOutput().Output().ToDouble(), -10.0);
}

} // namespace
} // namespace tals
