#include "protocol/answer_length.h"
#include "protocol/frame.h"

#include <QList>

#include <gtest/gtest.h>

using namespace tals;

namespace {

QByteArray Hex(const char *hex)
{
    return QByteArray::fromHex(hex);
}

// An identification answer: head, then the objects (id, length, text).
QByteArray Identification(const QList<QByteArray> &texts)
{
    QByteArray a = Hex("012B0E0101000000");
    a[7] = static_cast<char>(texts.size());
    for (int i = 0; i < texts.size(); ++i) {
        a.append(static_cast<char>(i));
        a.append(static_cast<char>(texts[i].size()));
        a.append(texts[i]);
    }
    return AppendCrc16(a);
}

} // namespace

// Every answer the program's requests get, fed byte by byte: the length is
// not claimed before the bytes that give it, and then it is the whole frame.
TEST(AnswerLength, EachAnswerIsKnownAsSoonAsItsHeadHasCome)
{
    const QByteArray readHmax = AppendCrc16(Hex("010303E80002"));
    const QByteArray readings = AppendCrc16(Hex("01040000000F"));
    const QByteArray writeKKalman = AppendCrc16(Hex("011003EE0002043F800000"));
    const QByteArray writeSingle = AppendCrc16(Hex("010603EE0001"));
    const QByteArray identify = AppendCrc16(Hex("012B0E0100"));
    struct Case
    {
        const char *name;
        QByteArray request, answer;
        int knownAfter; // bytes needed before the length is known
    } cases[] = {
        {"function 3", readHmax, AppendCrc16(Hex("010304461C4000")), 3},
        {"function 4", readings, AppendCrc16(Hex("01041E") + QByteArray(30, '\0')), 3},
        {"function 3, zero registers", readHmax, AppendCrc16(Hex("010300")), 3},
        {"function 16 echo", writeKKalman, AppendCrc16(Hex("011003EE0002")), 2},
        {"function 6 echo", writeSingle, AppendCrc16(Hex("010603EE0001")), 2},
        {"exception", readHmax, AppendCrc16(Hex("018302")), 2},
        {"exception to 43", identify, AppendCrc16(Hex("01AB01")), 2},
        {"the device's error answer", readings, AppendCrc16(Hex("01FA0100")), 2},
        // Known once the last object's id and length have come: 8 + 10 + 7 + 2 + 2.
        {"identification", identify, Identification({"10.12.26", "01234", "", "002"}), 29},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        for (int n = 0; n < c.answer.size(); ++n) {
            const QByteArray head = c.answer.left(n);
            EXPECT_EQ(AnswerLength(c.request, head), n < c.knownAfter ? 0 : c.answer.size())
                << n << " bytes";
            EXPECT_EQ(CompleteAnswerLength(c.request, head), 0) << n << " bytes";
        }
        EXPECT_EQ(CompleteAnswerLength(c.request, c.answer), c.answer.size());
        // Bytes after the frame do not hide it.
        EXPECT_EQ(CompleteAnswerLength(c.request, c.answer + Hex("00FF")), c.answer.size());
    }
}

TEST(AnswerLength, AFrameWithAWrongChecksumIsNotComplete)
{
    const QByteArray request = AppendCrc16(Hex("010303E80002"));
    QByteArray answer = AppendCrc16(Hex("010304461C4000"));
    answer[answer.size() - 1] = static_cast<char>(~answer.at(answer.size() - 1));
    EXPECT_EQ(AnswerLength(request, answer), answer.size());
    EXPECT_EQ(CompleteAnswerLength(request, answer), 0);
    // A wrong byte count points past the bytes that came: not complete either.
    const QByteArray badCount = AppendCrc16(Hex("010310461C4000"));
    EXPECT_EQ(CompleteAnswerLength(request, badCount), 0);
}

// Where no length is known the read keeps ending on the gap.
TEST(AnswerLength, AnswersWithoutARuleEndOnTheGap)
{
    struct Case
    {
        const char *name;
        QByteArray request, answer;
    } cases[] = {
        // The service echo shares function byte 0x10 with a register write.
        {"service echo", AppendCrc16(Hex("011003AA55")), AppendCrc16(Hex("011003AA55"))},
        // Service functions with bit 7 set are no exception answers.
        {"service function B6", AppendCrc16(Hex("01B60241")), AppendCrc16(Hex("01B6054140000000"))},
        {"service function 01", AppendCrc16(Hex("01010200")), AppendCrc16(Hex("0181020045"))},
        {"another function answered", AppendCrc16(Hex("010303E80002")),
         AppendCrc16(Hex("01040200FF"))},
        {"broadcast", AppendCrc16(Hex("0010000000030600140DE00005")), AppendCrc16(Hex("0010"))},
        {"identification of another kind", AppendCrc16(Hex("012B0D0100")),
         AppendCrc16(Hex("012B0D01"))},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(AnswerLength(c.request, c.answer), kNoAnswerLengthRule);
        EXPECT_EQ(CompleteAnswerLength(c.request, c.answer), 0);
    }
    // The device's own error answer ends a service exchange too.
    EXPECT_EQ(AnswerLength(AppendCrc16(Hex("01B60241")), AppendCrc16(Hex("01FA0200"))), 6);
}
