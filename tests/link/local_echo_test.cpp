// The link on a two-wire RS-485 line whose adapter returns every request
// before the answer (the simulated transducer with its echo on).

#include "device/answer_parser.h"
#include "device/program_modes.h"
#include "device/tals352.h"
#include "link/request_devices.h"
#include "link/tals352_link.h"
#include "platform/date_time.h"
#include "platform/paths.h"
#include "platform/text_file.h"
#include "protocol/frame.h"
#include "sim/sim_transducer.h"

#include "tests/common/scripted_dialogs.h"
#include "tests/common/test_support.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace tals;

namespace {

class LocalEchoTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_oldDir = QDir::currentPath();
        QDir::setCurrent(dir.path());
        SetStartDir(dir.path());
        SetProgramDir(dir.path());
        sim.SetLevelMotion(false);
        sim.SetEchoRequest(true);
        ASSERT_TRUE(sim.Start());
        model.SetErrorMax(1);
    }
    void TearDown() override
    {
        link.StopLink();
        sim.Stop();
        SetStartDir(QString());
        SetProgramDir(QString());
        QDir::setCurrent(m_oldDir);
    }
    void Start(bool localEcho, const char *frameEnd)
    {
        QDir().mkpath(dir.file("INI"));
        test::writeAll(dir.file("INI/ComPort.ini"),
                       "[Transmitter]\r\nPort=" + sim.PortPath().toUtf8() +
                           "\r\nReadInterval=20\r\nFrameEnd=" + frameEnd +
                           "\r\nLocalEcho=" + (localEcho ? "1" : "0") + "\r\n");
        link.StartLink(&device);
        ASSERT_TRUE(link.Transmitter()->Connected());
        ASSERT_EQ(link.Transmitter()->LocalEcho(), localEcho);
        link.SetJournalRadix(16);
    }
    QStringList JournalLines() const
    {
        QStringList lines;
        for (const QString &line :
             ReadTextLines(dir.file(QStringLiteral("rd") + FileDate6(Now()) + ".txt")))
            lines << line.mid(24);
        return lines;
    }

    test::ScratchDir dir;
    test::ScriptedDialogs dialogs;
    TSimTransducer sim;
    TProgramModes modes;
    Ttals352 model{modes};
    TTals352Link device{model};
    TRequestDevices link;

private:
    QString m_oldDir;
};

const char *const kFrameEnds[] = {"Gap", "Length"};

// With the echo read back, reads, writes and the current meter work under
// both frame ends, and the journal shows the answer without the echo.
TEST_F(LocalEchoTest, WithLocalEchoEveryExchangeSucceeds)
{
    for (const char *end : kFrameEnds) {
        SCOPED_TRACE(end);
        Start(true, end);
        sim.SetDistance(4321);
        EXPECT_EQ(link.ExecuteCommand(4).Result, 0); // the readings block
        EXPECT_DOUBLE_EQ(model.Distance().Output().ToDouble(), 4321.0);
        EXPECT_EQ(link.ExecuteCommand(5).Result, 0); // the user registers
        EXPECT_DOUBLE_EQ(model.Hmax(), sim.HoldingSingle(1000));
        model.SetKKalman(0.5);
        EXPECT_EQ(link.ExecuteCommand(86).Result, 0); // write KKalman (function 16)
        EXPECT_FLOAT_EQ(sim.HoldingSingle(1006), 0.5f);
        EXPECT_EQ(link.ExecuteCommand(9).Result, 0); // read it back
        EXPECT_DOUBLE_EQ(model.KKalman(), 0.5);
        EXPECT_EQ(link.ExecuteZelvin().Result, 0); // the meter, CRC-8 and no parity
        EXPECT_NEAR(model.CurrentOutput().Output().ToDouble(), sim.MeterCurrent(), 0.01);

        const QStringList lines = JournalLines();
        ASSERT_GE(lines.size(), 2);
        EXPECT_EQ(lines[lines.size() - 2],
                  "[" + FrameToHex(AppendCrc16(QByteArray::fromHex("010303EE0002"))) + "] -> [" +
                      FrameToHex(AppendCrc16(QByteArray::fromHex("0103043F000000"))) + "]");
        link.StopLink();
        QFile::remove(dir.file(QStringLiteral("rd") + FileDate6(Now()) + ".txt"));
    }
}

// Without the local echo the answer begins with the request: the failure
// names the echo and the setting, under both frame ends, for both devices.
TEST_F(LocalEchoTest, WithoutLocalEchoTheFailureNamesTheEcho)
{
    for (const char *end : kFrameEnds) {
        SCOPED_TRACE(end);
        Start(false, end);
        EXPECT_EQ(link.ExecuteCommand(4).Result, -1);
        EXPECT_EQ(model.ErrorCode(), kLineErrorCode);
        EXPECT_EQ(model.ErrorText(), EchoFaultText(TEchoFault::InAnswer));
        EXPECT_EQ(link.ExecuteZelvin().Result, -1);
        EXPECT_EQ(model.ErrorText(), EchoFaultText(TEchoFault::InAnswer));
        link.StopLink();
    }
    // Switched on, the same line works.
    Start(true, "Gap");
    EXPECT_EQ(link.ExecuteCommand(4).Result, 0);
    EXPECT_EQ(model.ErrorText(), NormText());
}

// An echo that differs from the request is a line failure of its own,
// counted against ErrorMax like a bad answer; the next exchange is clean.
TEST_F(LocalEchoTest, AWrongEchoFailsClearlyAndIsCounted)
{
    Start(true, "Length");
    sim.CorruptNextEchoes(1);
    EXPECT_EQ(link.ExecuteCommand(4).Result, -1);
    EXPECT_EQ(model.ErrorCode(), kLineErrorCode);
    EXPECT_EQ(model.ErrorText(), QStringLiteral("Эхо запроса не совпадает"));
    EXPECT_EQ(model.LinkState().Value().ToInteger(), 2);
    EXPECT_EQ(link.ExecuteCommand(4).Result, 0);

    model.SetErrorMax(3);
    sim.CorruptNextEchoes(2);
    EXPECT_EQ(link.ExecuteCommand(4).Result, -1);
    EXPECT_EQ(link.ExecuteCommand(4).Result, -1);
    EXPECT_EQ(model.FailureCount(), 2);
    EXPECT_EQ(model.ErrorCode(), 0); // counted, not yet reported
    EXPECT_EQ(link.ExecuteCommand(4).Result, 0);
    EXPECT_EQ(model.FailureCount(), 0);

    // The line without echo read with the local echo on: the answer's first
    // bytes are taken for the echo and do not match.
    sim.SetEchoRequest(false);
    model.SetErrorMax(1);
    EXPECT_EQ(link.ExecuteCommand(4).Result, -1);
    EXPECT_EQ(model.ErrorText(), QStringLiteral("Эхо запроса не совпадает"));
}

TEST(EchoRecognition, OnlyAnAnswerLongerThanTheRequestStartsWithItsEcho)
{
    const QByteArray write = AppendCrc16(QByteArray::fromHex("010603E80001"));
    EXPECT_FALSE(StartsWithEcho(write, write)); // a single write is answered with itself
    EXPECT_TRUE(StartsWithEcho(write, write + write));
    EXPECT_FALSE(StartsWithEcho(write, QByteArray::fromHex("0106")));
    EXPECT_FALSE(StartsWithEcho(QByteArray(), write));
}

} // namespace
