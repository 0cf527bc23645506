// "FrameEnd=Length": a transducer's answer ends as soon as it is complete;
// what does not complete still ends on the gap, and an answer that arrives in
// bursts (a USB adapter's latency timer) is never cut.

#include "link/transmitter.h"
#include "protocol/frame.h"
#include "sim/sim_transducer.h"

#include <gtest/gtest.h>

using namespace tals;

namespace {

const QByteArray kReadings = QByteArray::fromHex("01040000000F");
const QByteArray kReadHmax = QByteArray::fromHex("010303E80002");
const QByteArray kWriteKKalman = QByteArray::fromHex("011003EE0002043F000000");
const QByteArray kIdentify = QByteArray::fromHex("012B0E0100");
const QByteArray kServiceEcho = QByteArray::fromHex("011003AA55");
const QByteArray kMeterRequest = QByteArray::fromHex("01000100");

class FrameEndTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sim.Start());
        sim.SetDistance(4321.5);
        link.SetPort(sim.PortPath());
        // A wide gap: a loaded machine must not split a burst of the answer.
        link.SetTimeouts({300, 10000, 0, 1000, 2});
        link.SetFrameEnd(TFrameEnd::feLength);
        link.Connect();
    }

    QByteArray Exchange(const QByteArray &request)
    {
        QByteArray answer;
        link.Exchange(request, answer);
        return answer;
    }

    TSimTransducer sim;
    TTransmitter link;
};

// Filler after the frame shows where the read ended: the gap rule takes it
// all, the length rule the frame alone.
TEST_F(FrameEndTest, TheReadEndsWhereTheAnswerEnds)
{
    struct Case
    {
        const char *name;
        QByteArray request;
        int length;
    } cases[] = {
        {"readings, function 4", kReadings, 35},
        {"Hmax, function 3", kReadHmax, 9},
        {"write echo, function 16", kWriteKKalman, 8},
        {"identification", kIdentify, -1}, // as long as the whole answer
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        link.SetFrameEnd(TFrameEnd::feGap);
        const QByteArray whole = Exchange(c.request);
        ASSERT_TRUE(CheckCrc16Frame(whole));
        const int length = c.length > 0 ? c.length : static_cast<int>(whole.size());
        EXPECT_EQ(whole.size(), length);
        sim.InjectFault({TSimFaultKind::Overlong, 120});
        EXPECT_EQ(Exchange(c.request).size(), 120);

        link.SetFrameEnd(TFrameEnd::feLength);
        sim.InjectFault({TSimFaultKind::Overlong, 120});
        const QByteArray answer = Exchange(c.request);
        EXPECT_EQ(answer.size(), length);
        EXPECT_TRUE(CheckCrc16Frame(answer));
        // The filler left behind is purged: the next answer is clean.
        EXPECT_TRUE(CheckCrc16Frame(Exchange(c.request)));
    }
}

TEST_F(FrameEndTest, ExceptionAndErrorAnswersEndOnTheirOwnLength)
{
    sim.InjectFault({TSimFaultKind::Exception, 2});
    const QByteArray exception = Exchange(kReadHmax);
    EXPECT_EQ(exception, AppendCrc16(QByteArray::fromHex("018302")));
    sim.InjectFault({TSimFaultKind::ErrorAnswer, 3});
    const QByteArray error = Exchange(kReadings);
    EXPECT_EQ(error.size(), 6);
    EXPECT_EQ(ByteAt(error, 1), 0xFA);
    EXPECT_TRUE(CheckCrc16Frame(error));
}

// A frame that does not complete, or whose checksum is wrong, is read on
// until the gap, as the gap rule reads it.
TEST_F(FrameEndTest, IncompleteOrCorruptAnswersEndOnTheGap)
{
    link.SetTimeouts({300, 1500, 0, 1000, 2});
    sim.InjectFault({TSimFaultKind::Truncate, 7});
    EXPECT_EQ(Exchange(kReadings).size(), 7);
    sim.InjectFault({TSimFaultKind::BadCrc});
    const QByteArray corrupt = Exchange(kReadings);
    EXPECT_EQ(corrupt.size(), 35);
    EXPECT_FALSE(CheckCrc16Frame(corrupt));
    sim.InjectFault({TSimFaultKind::Silence});
    EXPECT_TRUE(Exchange(kReadings).isEmpty());
    // The link is sound afterwards.
    EXPECT_TRUE(CheckCrc16Frame(Exchange(kReadings)));
}

// Answers without a length rule: the service protocol (whose echo shares the
// function byte of a register write) and the current meter.
TEST_F(FrameEndTest, AnswersWithoutALengthRuleEndOnTheGap)
{
    sim.InjectFault({TSimFaultKind::Overlong, 40});
    EXPECT_EQ(Exchange(kServiceEcho).size(), 40);
    QByteArray answer;
    sim.InjectFault({TSimFaultKind::Overlong, 40});
    link.ExchangeZelvin(kMeterRequest, answer);
    EXPECT_EQ(answer.size(), 40);
}

// Bursts split the frame anywhere: inside the head that gives the length,
// inside an identification object's header, just before the checksum.
TEST_F(FrameEndTest, AnswersInBurstsArriveWhole)
{
    link.SetFrameEnd(TFrameEnd::feGap);
    const QByteArray readings = Exchange(kReadings);
    const QByteArray identification = Exchange(kIdentify);
    ASSERT_EQ(readings.size(), 35);
    ASSERT_TRUE(CheckCrc16Frame(identification));
    link.SetFrameEnd(TFrameEnd::feLength);
    for (int burst : {1, 2, 3, 9, 33, 34}) {
        SCOPED_TRACE(burst);
        sim.SetBursts(burst, 16);
        const QByteArray answer = Exchange(kReadings);
        EXPECT_EQ(answer.size(), 35);
        EXPECT_TRUE(CheckCrc16Frame(answer));
        // The distance is frozen: the same bytes as the whole answer.
        EXPECT_EQ(answer, readings);
        EXPECT_EQ(Exchange(kIdentify), identification);
    }
}

} // namespace
