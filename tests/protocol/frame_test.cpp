#include "protocol/frame.h"

#include <gtest/gtest.h>

using namespace tals;

namespace {
QByteArray bytes(std::initializer_list<int> list)
{
    QByteArray out;
    for (int b : list)
        out.append(static_cast<char>(b));
    return out;
}
} // namespace

TEST(FrameChecksum, Crc16KnownValues)
{
    EXPECT_EQ(ModbusCrc16("123456789"), 0x4B37);
    EXPECT_EQ(ModbusCrc16(QByteArray()), 0xFFFF);
    const QByteArray request = bytes({1, 3, 0, 0, 0, 1});
    EXPECT_EQ(ModbusCrc16(request), 0x0A84);
    EXPECT_EQ(AppendCrc16(request), bytes({1, 3, 0, 0, 0, 1, 0x84, 0x0A}));
}

TEST(FrameChecksum, Crc16FrameCheckFailsOnEverySingleBitFlip)
{
    const QByteArray frame = bytes({1, 3, 0, 0, 0, 1, 0x84, 0x0A});
    ASSERT_TRUE(CheckCrc16Frame(frame));
    for (int i = 0; i < frame.size(); ++i)
        for (int bit = 0; bit < 8; ++bit) {
            QByteArray bad = frame;
            bad[i] = static_cast<char>(bad[i] ^ (1 << bit));
            EXPECT_FALSE(CheckCrc16Frame(bad)) << i << ":" << bit;
        }
}

TEST(FrameChecksum, ShortFramesFail)
{
    EXPECT_FALSE(CheckCrc16Frame(bytes({0xFF, 0xFF})));
    EXPECT_FALSE(CheckCrc16Frame(QByteArray()));
    EXPECT_FALSE(CheckCrc8Frame(bytes({0xFF, 0xFF})));
}

TEST(FrameChecksum, Crc8KnownValues)
{
    EXPECT_EQ(ZelvinCrc8("123456789"), 0x0B);
    EXPECT_EQ(ZelvinCrc8(QByteArray()), 0xFF);
    EXPECT_EQ(ZelvinCrc8(bytes({1, 0, 1, 0})), 0xA0);
    EXPECT_TRUE(CheckCrc8Frame(bytes({1, 0, 1, 0, 0xA0})));
    EXPECT_FALSE(CheckCrc8Frame(bytes({1, 0, 1, 0, 0xA1})));
}

TEST(FramePacking, SingleAndWords)
{
    EXPECT_FLOAT_EQ(BytesToSingle(0x3F, 0x80, 0x00, 0x00), 1.0f);
    const TFourBytes b = SingleToBytes(-2.75f);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char *>(b.b), 4), bytes({0xC0, 0x30, 0, 0}));
    EXPECT_EQ(WordToBytes(0x1234), std::make_pair(quint8(0x12), quint8(0x34)));
    EXPECT_EQ(WordToBytes(static_cast<quint16>(qint16(-1))),
              std::make_pair(quint8(0xFF), quint8(0xFF)));
    EXPECT_EQ(BytesToWord(0x12, 0x34), 0x1234);
    EXPECT_EQ(BytesToLongWord(0x12, 0x34, 0x56, 0x78), 0x12345678u);
    const quint8 eight[8] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE};
    EXPECT_EQ(BytesToInt64(eight), -2);
    EXPECT_TRUE(BitIsSet(0x8000, 15));
    EXPECT_FALSE(BitIsSet(0x8000, 14));
    EXPECT_TRUE(WordToBool(0x100));
    EXPECT_FALSE(ByteToBool(0));
}

TEST(FrameRendering, HexDecimalAndTexts)
{
    EXPECT_EQ(FrameToHex(bytes({1, 3, 0, 0, 0, 1})), "01 03 00 00 00 01");
    EXPECT_EQ(FrameToHex(QByteArray()), "");
    EXPECT_EQ(FrameToDecimal(bytes({1, 16, 255}), true), "001 016 255");
    EXPECT_EQ(FrameToDecimal(bytes({1, 16, 255}), false), "1 16 255");
    EXPECT_EQ(FrameToDecimal(bytes({9, 10, 99, 100}), true), "009 010 099 100");
    EXPECT_EQ(BytesToFrame(FrameToBytes(bytes({0, 1, 0}))), bytes({0, 1, 0}));
    EXPECT_TRUE(BytesToFrame({}).isEmpty());
    EXPECT_EQ(PadLeft("  ab ", 4), "  ab");
    EXPECT_EQ(PadLeft("abcdef", 4), "abcdef");
    EXPECT_EQ(SignText(0), "");
    EXPECT_EQ(SignText(-3), "-");
    EXPECT_EQ(SignText(2), "+");
    EXPECT_EQ(RepeatText("ab", 3), "ababab");
    EXPECT_EQ(RepeatText("ab", 0), "ab");
    EXPECT_TRUE(InRange(1.0, 0.01, 1.0));
    EXPECT_FALSE(InRange(1.0000001, 0.01, 1.0));
}
