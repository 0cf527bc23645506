// Random and mutated answers of every length to every command code: the
// parser must neither crash nor read beyond an answer's end (the test build
// runs with AddressSanitizer), nor throw.

#include "device/answer_parser.h"
#include "device/request_builder.h"

#include "platform/paths.h"
#include "tests/common/test_support.h"

#include <gtest/gtest.h>

#include <random>

namespace tals {
namespace {

constexpr int kMaxLength = 260;

class ParserFuzzTest : public ::testing::Test
{
protected:
    void SetUp() override { SetProgramDir(dir.path()); }

    // Bytes that look like an answer to code: address, function, byte count,
    // random data; with a valid CRC when asked.
    TBuffer Shaped(int code, int length, bool validCrc)
    {
        TBuffer a(static_cast<std::size_t>(length));
        for (quint8 &b : a)
            b = static_cast<quint8>(rng());
        if (length > 0)
            a[0] = 1;
        if (length > 1) {
            const int function = RequestFunction(code);
            const int pick = int(rng() % 8);
            a[1] = quint8(pick == 0 ? (function | 0x80) : pick == 1 ? 0xFA : function);
        }
        if (length > 2 && rng() % 2)
            a[2] = quint8(std::max(0, length - 5));
        if (validCrc && length >= 3) {
            const QByteArray body = BytesToFrame(TBuffer(a.begin(), a.end() - 2));
            const quint16 crc = ModbusCrc16(body);
            a[a.size() - 2] = quint8(crc & 0xFF);
            a[a.size() - 1] = quint8(crc >> 8);
        }
        return a;
    }

    // A few bytes of a shaped answer changed, removed or added.
    TBuffer Mutated(TBuffer a)
    {
        const int edits = 1 + int(rng() % 4);
        for (int e = 0; e < edits; ++e) {
            switch (rng() % 3) {
            case 0:
                if (!a.empty())
                    a[rng() % a.size()] ^= quint8(1u << (rng() % 8));
                break;
            case 1:
                if (!a.empty())
                    a.erase(a.begin() + std::ptrdiff_t(rng() % a.size()));
                break;
            default:
                if (a.size() < kMaxLength)
                    a.insert(a.begin() + std::ptrdiff_t(rng() % (a.size() + 1)), quint8(rng()));
                break;
            }
        }
        return a;
    }

    void RandomState(Ttals352 &model)
    {
        static const quint16 answers[] = {0, 1, 2, 3, 4};
        model.SetControlCommandAnswer(answers[rng() % 5]);
        model.ArrayBlockIndex = quint16(rng() % 106);
        model.SetErrorMax(quint16(rng() % 4));
    }

    test::ScratchDir dir;
    std::mt19937 rng{20261210};
    TProgramModes modes;
};

TEST_F(ParserFuzzTest, EveryCodeEveryLength)
{
    Ttals352 model(modes);
    model.OnReadAddress = [](Ttals352 *, quint16, bool) {};
    model.OnReadSignature = [](Ttals352 *, quint8, int, quint16, quint8, quint8) {};
    long parsed = 0;
    for (int code = 0; code <= 255; ++code) {
        for (int length = 0; length <= kMaxLength; ++length) {
            RandomState(model);
            const TBuffer shaped = Shaped(code, length, true);
            for (const TBuffer &answer : {shaped, Shaped(code, length, false), Mutated(shaped)}) {
                ASSERT_NO_THROW(ParseAnswer(model, answer, quint8(code)))
                    << "code " << code << " length " << answer.size();
                ++parsed;
            }
            ASSERT_GE(model.FailureCount(), 0);
        }
    }
    EXPECT_GE(parsed, 100000);
}

TEST_F(ParserFuzzTest, SecondDeviceTypeEveryLength)
{
    Ttals352 model(modes);
    long parsed = 0;
    for (int length = 0; length <= kMaxLength; ++length) {
        for (int variant = 0; variant < 40; ++variant) {
            TBuffer a(static_cast<std::size_t>(length));
            for (quint8 &b : a)
                b = static_cast<quint8>(rng());
            if (variant % 2 && length >= 3)
                a.back() = ZelvinCrc8(BytesToFrame(TBuffer(a.begin(), a.end() - 1)));
            ASSERT_NO_THROW(ParseZelvinAnswer(model, a)) << "length " << length;
            ASSERT_NO_THROW(ParseZelvinAnswer(model, Mutated(a))) << "length " << length;
            parsed += 2;
        }
    }
    EXPECT_GE(parsed, 20000);
}

} // namespace
} // namespace tals
