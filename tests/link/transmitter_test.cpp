#include "link/transmitter.h"
#include "protocol/frame.h"
#include "sim/sim_transducer.h"

#include "tests/common/scripted_dialogs.h"
#include "tests/common/test_support.h"
#include "tests/link/fake_peer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <gtest/gtest.h>

#include <termios.h>

#include <atomic>
#include <chrono>
#include <thread>

using namespace tals;

namespace {

// Readings block request (input registers 0 to 14 at address 1).
const QByteArray kReadings = QByteArray::fromHex("0104000000 0F");
const QByteArray kMeterRequest = QByteArray::fromHex("01000100");

class TransmitterTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sim.Start());
        sim.SetDistance(4321.5);
        link.SetPort(sim.PortPath());
        link.Connect();
    }

    qint64 TimedExchange(const QByteArray &request, QByteArray &answer)
    {
        QElapsedTimer timer;
        timer.start();
        link.Exchange(request, answer);
        return timer.elapsed();
    }

    TSimTransducer sim;
    TTransmitter link;
};

TEST_F(TransmitterTest, ExchangeAppendsCrcReportsTheFrameAndGetsTheAnswer)
{
    QByteArray reportedRequest, reportedAnswer;
    bool reportedFlag = false;
    int calls = 0;
    link.SetOnExchange([&](TTransmitter *sender, const QByteArray &request,
                           const QByteArray &answer, bool answered) {
        EXPECT_EQ(sender, &link);
        reportedRequest = request;
        reportedAnswer = answer;
        reportedFlag = answered;
        ++calls;
    });
    QByteArray answer;
    ASSERT_TRUE(link.Exchange(kReadings, answer, 250, true));
    EXPECT_EQ(answer.size(), 35);
    EXPECT_TRUE(CheckCrc16Frame(answer));
    EXPECT_FLOAT_EQ(
        BytesToSingle(ByteAt(answer, 5), ByteAt(answer, 6), ByteAt(answer, 7), ByteAt(answer, 8)),
        4321.5f);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(reportedRequest, AppendCrc16(kReadings));
    EXPECT_EQ(reportedAnswer, answer);
    EXPECT_TRUE(reportedFlag);
}

TEST_F(TransmitterTest, TransducerExchangeUsesEvenParityAndTheMeterNone)
{
    // A pseudo-terminal drops parity, so the settings applied are checked.
    link.SetParity(TParityBits::prOdd);
    QByteArray answer;
    link.Exchange(kReadings, answer);
    EXPECT_EQ(link.Parity(), TParityBits::prEven);
    EXPECT_EQ(link.AppliedLine().Parity, TParityBits::prEven);
    EXPECT_TRUE(link.AppliedLine().CFlag & PARENB);
    EXPECT_FALSE(link.AppliedLine().CFlag & PARODD);

    ASSERT_TRUE(link.ExchangeZelvin(kMeterRequest, answer));
    EXPECT_EQ(link.Parity(), TParityBits::prNone);
    EXPECT_FALSE(link.AppliedLine().CFlag & PARENB);
    EXPECT_EQ(answer.size(), 8);
    EXPECT_TRUE(CheckCrc8Frame(answer));
}

TEST_F(TransmitterTest, ReadEndsOnTheGapAfterTheLastByte)
{
    // A long overall limit shows that the gap, not the total, ended the read.
    TComTimeouts t = link.Timeouts();
    t.ReadTotalConstant = 4000;
    link.SetTimeouts(t);
    sim.InjectFault({TSimFaultKind::Truncate, 7});
    QByteArray answer;
    const qint64 ms = TimedExchange(kReadings, answer);
    EXPECT_EQ(answer.size(), 7);
    EXPECT_LT(ms, 3000);
}

TEST_F(TransmitterTest, GapsShorterThanTheIntervalKeepTheAnswerWhole)
{
    // 5 ms gaps against a 300 ms interval: a slow scheduler (sanitizers, a
    // loaded machine) must not stretch a gap past the interval.
    TComTimeouts t = link.Timeouts();
    t.ReadInterval = 300;
    t.ReadTotalConstant = 4000;
    link.SetTimeouts(t);
    sim.InjectFault({TSimFaultKind::ByteGaps, 5});
    QByteArray answer;
    link.Exchange(kReadings, answer);
    EXPECT_EQ(answer.size(), 35);
    EXPECT_TRUE(CheckCrc16Frame(answer));
}

TEST_F(TransmitterTest, NoDeviceGivesAnEmptyAnswerAfterTheTotalTimeOut)
{
    bool reported = true;
    QByteArray reportedAnswer("x");
    link.SetOnExchange(
        [&](TTransmitter *, const QByteArray &, const QByteArray &answer, bool answered) {
            reported = answered;
            reportedAnswer = answer;
        });
    sim.InjectFault({TSimFaultKind::Silence}, 2);
    QByteArray answer;
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(link.Exchange(kReadings, answer)); // 150 + 2 * 250 ms
    const qint64 transducerMs = timer.restart();
    EXPECT_TRUE(answer.isEmpty());
    EXPECT_FALSE(reported);
    EXPECT_TRUE(reportedAnswer.isEmpty());
    EXPECT_FALSE(link.ExchangeZelvin(kMeterRequest, answer)); // 150 + 2 * 70 ms
    const qint64 meterMs = timer.elapsed();
    EXPECT_TRUE(answer.isEmpty());
    EXPECT_GE(transducerMs, 600);
    EXPECT_LT(transducerMs, 5000);
    EXPECT_GE(meterMs, 270);
    EXPECT_LT(meterMs, 5000);
}

TEST_F(TransmitterTest, OverlongAnswerIsCutAt250AndTheRestPurged)
{
    sim.InjectFault({TSimFaultKind::Overlong, 400});
    QByteArray answer;
    link.Exchange(kReadings, answer);
    EXPECT_EQ(answer.size(), 250);
    ASSERT_TRUE(link.Exchange(kReadings, answer));
    EXPECT_EQ(answer.size(), 35);
    EXPECT_TRUE(CheckCrc16Frame(answer));
}

TEST_F(TransmitterTest, ExchangeOnAClosedPortFailsAtThePurge)
{
    int calls = 0;
    link.SetOnExchange(
        [&](TTransmitter *, const QByteArray &, const QByteArray &, bool) { ++calls; });
    EXPECT_TRUE(link.Close());
    QByteArray answer;
    try {
        link.Exchange(kReadings, answer);
        FAIL() << "no error";
    } catch (const ESerialError &e) {
        EXPECT_EQ(e.Code(), CE_PurgeFailed);
        EXPECT_EQ(e.Text(), "PurgeComm function failed");
    }
    EXPECT_EQ(calls, 0);
}

TEST_F(TransmitterTest, SecondOpenOfTheSamePortIsRefusedAsBusy)
{
    test::ScriptedDialogs dialogs;
    TTransmitter second;
    second.SetPort(sim.PortPath());
    const TPortOpenResult opened = second.Open();
    EXPECT_FALSE(opened);
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_TRUE(opened.Message().startsWith("Ошибка активации порта :" + sim.PortPath()));
    EXPECT_TRUE(opened.Message().contains("занят"));
    // Once the first lets go, the port opens.
    link.Close();
    EXPECT_TRUE(second.Open());
}

TEST(TransmitterOpen, MissingPortShowsOneMessageWithTheName)
{
    test::ScriptedDialogs dialogs;
    TTransmitter link;
    link.SetPort("/dev/ttyUSB_tals_missing");
    const TPortOpenResult opened = link.Open();
    EXPECT_FALSE(opened);
    EXPECT_FALSE(link.Connected());
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_EQ(opened.Message(),
              "Ошибка активации порта :/dev/ttyUSB_tals_missing\r\nПорт не найден");
    try {
        link.Connect();
        FAIL() << "no error";
    } catch (const ESerialError &e) {
        EXPECT_EQ(e.Code(), CE_OpenFailed);
        EXPECT_EQ(e.Text(), "Unable to open com port");
    }
}

TEST(TransmitterOpen, WindowsPortNamesMeanTheSerialDevices)
{
    EXPECT_EQ(TComPort::DevicePath("COM1"), "/dev/ttyS0");
    EXPECT_EQ(TComPort::DevicePath("com12"), "/dev/ttyS11");
    EXPECT_EQ(TComPort::DevicePath("/dev/ttyUSB0"), "/dev/ttyUSB0");
    EXPECT_EQ(TComPort::DevicePath("ttyACM1"), "/dev/ttyACM1");
    for (const QString &port : TComPort::EnumPorts())
        EXPECT_TRUE(QFileInfo::exists(port)) << port.toStdString();
}

// ---- ComPort.ini ----

class ComPortIniTest : public ::testing::Test
{
protected:
    void SetUp() override { link.SetIniFileName(dir.file("INI/ComPort.ini")); }
    void WriteIni(const QByteArray &body)
    {
        QDir().mkpath(dir.file("INI"));
        test::writeAll(dir.file("INI/ComPort.ini"), "[Transmitter]\r\n" + body);
    }
    test::ScratchDir dir;
    TTransmitter link;
};

TEST_F(ComPortIniTest, MissingFileGivesCom1Defaults)
{
    link.LoadSettings();
    EXPECT_EQ(link.Port(), "COM1");
    EXPECT_EQ(link.BaudRate(), TBaudRate::br9600);
    EXPECT_EQ(link.DataBits(), TDataBits::dbEight);
    EXPECT_EQ(link.StopBits(), TStopBits::sbOneStopBit);
    EXPECT_EQ(link.Parity(), TParityBits::prNone);
    EXPECT_EQ(link.FlowControl(), TFlowControl::fcNone);
    EXPECT_EQ(link.Timeouts(), (TComTimeouts{50, 150, 2, 100, 2}));
    EXPECT_EQ(link.InputBufferSize(), 1024);
    EXPECT_EQ(link.OutputBufferSize(), 1024);
}

TEST_F(ComPortIniTest, SaveWritesEveryKeyInOrder)
{
    link.SetBaudRate(TBaudRate::brCustom);
    link.SetCustomBaudRate(4000);
    link.SetParity(TParityBits::prEven);
    link.SaveSettings();
    EXPECT_EQ(test::readAll(dir.file("INI/ComPort.ini")),
              "[Transmitter]\r\nPort=COM1\r\nBaudRate=Custom\r\nCustomBaudRate=4000\r\n"
              "DataBits=8\r\nStopBits=1\r\nParity=Even\r\nFlowControl=None\r\n"
              "ReadInterval=50\r\nReadTotalConstant=150\r\nReadTotalMultiplier=2\r\n"
              "WriteTotalConstant=100\r\nWriteTotalMultiplier=2\r\nFrameEnd=Gap\r\n"
              "LocalEcho=0\r\nRS485=0\r\nRtsOnSend=1\r\nRtsAfterSend=0\r\n"
              "DelayBeforeSendMs=0\r\nDelayAfterSendMs=0\r\n");
    TTransmitter back;
    back.SetIniFileName(link.IniFileName());
    back.LoadSettings();
    EXPECT_EQ(back.Settings(), link.Settings());
}

TEST_F(ComPortIniTest, CustomRateInLowerCaseGivesThatBitRateOnTheLine)
{
    TSimTransducer sim;
    ASSERT_TRUE(sim.Start());
    WriteIni("Port=" + sim.PortPath().toUtf8() +
             "\r\nBaudRate=custom\r\nCustomBaudRate=4000\r\nReadInterval=20\r\n");
    link.LoadSettings();
    EXPECT_EQ(link.BaudRate(), TBaudRate::brCustom);
    EXPECT_EQ(link.CustomBaudRate(), 4000);
    EXPECT_EQ(link.Timeouts().ReadInterval, 20);
    EXPECT_EQ(link.Timeouts().ReadTotalConstant, 150);
    ASSERT_TRUE(link.Open());
    EXPECT_EQ(link.AppliedLine().BitRate, 4000);
    EXPECT_TRUE(link.AppliedLine().CustomRate);
    // A standard rate chosen while open goes through the table.
    link.SetBaudRate(TBaudRate::br115200);
    EXPECT_EQ(link.AppliedLine().BitRate, 115200);
    EXPECT_FALSE(link.AppliedLine().CustomRate);
}

TEST_F(ComPortIniTest, FrameEndIsReadInAnyCaseAndWrittenBack)
{
    EXPECT_EQ(link.FrameEnd(), TFrameEnd::feGap); // also without a file
    struct Case
    {
        QByteArray line;
        TFrameEnd end;
    } cases[] = {
        {"FrameEnd=length\r\n", TFrameEnd::feLength},
        {"FrameEnd=GAP\r\n", TFrameEnd::feGap},
        {"FrameEnd=Length\r\n", TFrameEnd::feLength},
        {"FrameEnd=whenever\r\n", TFrameEnd::feGap}, // neither: the gap
        {"", TFrameEnd::feLength},                   // a missing key keeps the current rule
    };
    for (const Case &c : cases) {
        WriteIni(c.line);
        link.SetFrameEnd(TFrameEnd::feLength);
        link.LoadSettings();
        EXPECT_EQ(link.FrameEnd(), c.end) << c.line.toStdString();
        EXPECT_EQ(link.Settings().FrameEnd, c.end);
    }
    link.SetFrameEnd(TFrameEnd::feLength);
    link.SaveSettings();
    EXPECT_TRUE(test::readAll(dir.file("INI/ComPort.ini")).contains("\r\nFrameEnd=Length\r\n"));
}

TEST_F(ComPortIniTest, UnknownTextsFallBackPerKey)
{
    link.SetFlowControl(TFlowControl::fcHardware);
    WriteIni("BaudRate=fast\r\nDataBits=9\r\nStopBits=3\r\nParity=sometimes\r\n"
             "FlowControl=telepathy\r\n");
    link.LoadSettings();
    EXPECT_EQ(link.BaudRate(), TBaudRate::br9600);
    EXPECT_EQ(link.DataBits(), TDataBits::dbEight);
    EXPECT_EQ(link.StopBits(), TStopBits::sbOneStopBit);
    EXPECT_EQ(link.Parity(), TParityBits::prNone);
    EXPECT_EQ(link.FlowControl(), TFlowControl::fcCustom);
}

TEST_F(ComPortIniTest, SetupDialogHookEditsTheSixValues)
{
    // Without a hook nothing changes.
    const TPortSettings before = link.Settings();
    EXPECT_TRUE(link.ShowSetupDialog());
    EXPECT_EQ(link.Settings(), before);

    link.SetSetupDialogHook([](TPortSettings &s, const QStringList &) {
        s.Port = "/dev/ttyUSB3";
        s.BaudRate = TBaudRate::br19200;
        s.StopBits = TStopBits::sbTwoStopBits;
        return true;
    });
    EXPECT_TRUE(link.ShowSetupDialog());
    EXPECT_EQ(link.Port(), "/dev/ttyUSB3");
    EXPECT_EQ(link.BaudRate(), TBaudRate::br19200);
    EXPECT_EQ(link.StopBits(), TStopBits::sbTwoStopBits);

    link.SetSetupDialogHook([](TPortSettings &s, const QStringList &) {
        s.Port = "COM9";
        return false; // cancelled
    });
    EXPECT_TRUE(link.ShowSetupDialog());
    EXPECT_EQ(link.Port(), "/dev/ttyUSB3");

    link.SetSetupDialogHook([](TPortSettings &, const QStringList &) -> bool {
        throw std::runtime_error("dialog failed");
    });
    EXPECT_FALSE(link.ShowSetupDialog());
}

} // namespace

namespace {

// Damaged time-outs: negative values become their defaults, huge ones are
// capped, and the deadline arithmetic cannot overflow.
TEST_F(ComPortIniTest, DamagedTimeOutsAreBroughtIntoRange)
{
    WriteIni("ReadInterval=-5\r\nReadTotalConstant=2147483000\r\n"
             "ReadTotalMultiplier=99999999\r\nWriteTotalConstant=-1\r\n"
             "WriteTotalMultiplier=2147483647\r\n");
    link.LoadSettings();
    EXPECT_EQ(link.Timeouts(),
              (TComTimeouts{50, kMaxTotalTimeout, kMaxTotalTimeout, 100, kMaxTotalTimeout}));

    struct Case
    {
        int constant, multiplier, count, total;
    } cases[] = {
        {150, 2, 250, 650},
        {150, 2, 70, 290},
        {2147483000, 99999999, 250, kMaxTotalTimeout},
        {-100, -100, 250, kMaxTotalTimeout}, // nothing negative survives
        {0, 0, 250, kMaxTotalTimeout},       // "no limit" still ends
        {59999, 1, 1, 60000},
    };
    for (const Case &c : cases)
        EXPECT_EQ(TotalTimeout(c.constant, c.multiplier, c.count), c.total)
            << c.constant << " " << c.multiplier;

    // Negative time-outs set in code are sane as well.
    link.SetTimeouts({-1, -1, -1, -1, -1});
    EXPECT_EQ(link.Timeouts(), TComTimeouts());
}

// With the negative time-outs of a damaged file an exchange with a silent
// device still ends (before, the read waited for ever).
TEST_F(ComPortIniTest, ExchangeWithNegativeTimeOutsEnds)
{
    TSimTransducer sim;
    ASSERT_TRUE(sim.Start());
    WriteIni("Port=" + sim.PortPath().toUtf8() +
             "\r\nReadInterval=-1\r\nReadTotalConstant=-1\r\nReadTotalMultiplier=-1\r\n");
    link.LoadSettings();
    link.Connect();
    sim.InjectFault({TSimFaultKind::Silence});
    QByteArray answer;
    EXPECT_FALSE(link.Exchange(kReadings, answer));
    EXPECT_TRUE(answer.isEmpty());
}

// The communications window reads the settings at every poll tick: that must
// not wait for the exchange that holds the port.
TEST(TransmitterSettings, ReadingTheSettingsDoesNotWaitForAnExchange)
{
    std::atomic<bool> release{false};
    test::TFakePeer peer;
    ASSERT_TRUE(peer.Start([&](const QByteArray &) {
        while (!release)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return AppendCrc16(QByteArray::fromHex("010302000A"));
    }));
    TTransmitter link;
    link.SetPort(peer.PortPath());
    link.SetTimeouts({20, 10000, 0, 100, 2});
    link.Connect();

    std::atomic<bool> done{false};
    std::thread exchange([&] {
        QByteArray answer;
        link.Exchange(QByteArray::fromHex("010300000001"), answer);
        done = true;
    });
    // The request has arrived: the exchange is reading, holding the port.
    while (peer.Requests() < 1)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const TPortSettings settings = link.Settings();
    EXPECT_FALSE(done); // returned while the exchange still runs
    EXPECT_EQ(settings.Port, peer.PortPath());
    EXPECT_EQ(settings.Parity, TParityBits::prEven);
    release = true;
    exchange.join();
    EXPECT_TRUE(done);
}

} // namespace
