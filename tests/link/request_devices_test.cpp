#include "device/answer_parser.h"
#include "device/program_modes.h"
#include "device/tals352.h"
#include "link/request_devices.h"
#include "link/tals352_link.h"
#include "link/tcp_port.h"
#include "platform/date_time.h"
#include "platform/paths.h"
#include "platform/text_file.h"
#include "protocol/frame.h"
#include "sim/sim_transducer.h"

#include "tests/common/scripted_dialogs.h"
#include "tests/common/test_support.h"
#include "tests/link/fake_peer.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <map>

using namespace tals;

namespace {

// Records what the scheduler archives.
class TRecordingArchive : public TReadingArchive
{
public:
    struct TRecord
    {
        QString Name;
        double Value;
        int Decimals;
    };
    void Append(const QString &name, double value, TDateTime, int decimals) override
    {
        std::lock_guard lock(mutex);
        records.push_back({name, value, decimals});
    }
    std::vector<TRecord> Records()
    {
        std::lock_guard lock(mutex);
        return records;
    }
    std::mutex mutex;
    std::vector<TRecord> records;
};

// Forwards to the transducer model and checks on the way that each answer is
// decoded with the code of its own request (function byte and length).
class TCheckingDevice : public TTals352Link
{
public:
    using TTals352Link::TTals352Link;
    TDecoded ParseAnswer(const TFrame &request, const TBuffer &answer, quint8 code) override
    {
        static const std::map<int, std::pair<int, int>> expected = {
            {4, {4, 35}}, {25, {4, 13}}, {5, {3, 31}}, {15, {3, 25}}, {81, {3, 7}}};
        ++decodes;
        if (QThread::currentThread() != QCoreApplication::instance()->thread())
            ++offThread;
        const auto it = expected.find(code);
        if (it != expected.end() && (answer.size() != static_cast<size_t>(it->second.second) ||
                                     answer[1] != it->second.first))
            ++mismatches;
        return TTals352Link::ParseAnswer(request, answer, code);
    }
    Ttals352::TRequest BuildRequest(quint8 code) override
    {
        if (QThread::currentThread() != QCoreApplication::instance()->thread())
            ++offThread;
        return TTals352Link::BuildRequest(code);
    }
    std::atomic<int> decodes{0};
    std::atomic<int> mismatches{0};
    std::atomic<int> offThread{0}; // model access outside the user-interface thread
};

class RequestDevicesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_oldDir = QDir::currentPath();
        QDir::setCurrent(dir.path());
        SetStartDir(dir.path());
        SetProgramDir(dir.path());
        ASSERT_TRUE(StartSimulator());
        sim.SetDistance(5000);
        model.SetErrorMax(1);
    }
    // On a pseudo-terminal; the gateway tests serve it over TCP.
    virtual bool StartSimulator() { return sim.Start(); }
    void TearDown() override
    {
        link.StopLink();
        SetStartDir(QString());
        SetProgramDir(QString());
        QDir::setCurrent(m_oldDir);
    }
    void WriteComPort(const QByteArray &port, const QByteArray &extra = QByteArray())
    {
        QDir().mkpath(dir.file("INI"));
        test::writeAll(dir.file("INI/ComPort.ini"),
                       "[Transmitter]\r\nPort=" + port + "\r\n" + extra);
    }
    void Start(const QByteArray &extra = "ReadInterval=20\r\n")
    {
        WriteComPort(sim.PortPath().toUtf8(), extra);
        link.StartLink(&device);
        ASSERT_TRUE(link.Transmitter()->Connected());
        link.SetArchive(&archive);
    }
    QString JournalPath() const
    {
        return dir.file(QStringLiteral("rd") + FileDate6(Now()) + QStringLiteral(".txt"));
    }
    QStringList JournalLines() const
    {
        QStringList lines;
        for (QString line : ReadTextLines(JournalPath()))
            lines << line.mid(24); // after "dd.mm.yyyy hh:nn:ss,zzz "
        return lines;
    }
    // Runs the event loop until the worker finished `steps` steps.
    bool WaitForSteps(int steps)
    {
        QElapsedTimer timer;
        timer.start();
        while (link.Worker()->StepCount() < steps || !link.Worker()->Suspended()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            if (timer.elapsed() > 30000)
                return false;
        }
        return true;
    }

    test::ScratchDir dir;
    test::ScriptedDialogs dialogs;
    TSimTransducer sim;
    TProgramModes modes;
    Ttals352 model{modes};
    TCheckingDevice device{model};
    TRecordingArchive archive;
    TRequestDevices link;

private:
    QString m_oldDir;
};

TEST_F(RequestDevicesTest, StartLinkBuildsTheDeviceListAndTheDisabledPollTimer)
{
    Start();
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_EQ(link.PollTimer()->objectName(), "ctReqDevices");
    EXPECT_FALSE(link.PollTimer()->IsEnabled());
    EXPECT_EQ(link.PollTimer()->interval(), 200);
    // Timer.ini is created empty by the first load.
    EXPECT_TRUE(QFile::exists(dir.file("INI/Timer.ini")));
    const QList<TListDevice> devices = link.Devices();
    ASSERT_EQ(devices.size(), 2);
    EXPECT_EQ(devices[0].Kind, 0);
    EXPECT_EQ(devices[0].Enabled, model.Enabled());
    EXPECT_EQ(devices[0].Caption, "ТАЛС352И");
    EXPECT_EQ(devices[1].Kind, 1);
    EXPECT_EQ(devices[1].Number, 1);
    EXPECT_FALSE(devices[1].Enabled);
    EXPECT_EQ(devices[1].Caption, "ЗЕЛВИН-512");
    EXPECT_TRUE(link.PollSet().none());
    EXPECT_TRUE(link.Worker()->Suspended());
}

TEST_F(RequestDevicesTest, ReadingsCommandDecodesAndJournalsInBothRadixes)
{
    Start();
    link.SetJournalRadix(16);
    EXPECT_EQ(link.ExecuteCommand(4).Result, 0);
    EXPECT_DOUBLE_EQ(model.Distance().Output().ToDouble(), 5000.0);
    EXPECT_EQ(model.LinkState().Value().ToInteger(), 1);
    link.SetJournalRadix(10);
    EXPECT_EQ(link.ExecuteCommand(4).Result, 0);
    link.SetJournalRadix(0);
    EXPECT_EQ(link.ExecuteCommand(4).Result, 0);

    const QByteArray request = AppendCrc16(QByteArray::fromHex("01040000000F"));
    const QStringList lines = JournalLines();
    ASSERT_EQ(lines.size(), 2);
    // The request part always ends with the two CRC bytes.
    EXPECT_TRUE(lines[0].startsWith("[" + FrameToHex(request) + "] -> [01 04 1E 00 00 "))
        << lines[0].toStdString();
    EXPECT_TRUE(lines[0].endsWith("]"));
    EXPECT_TRUE(lines[1].startsWith("[001 004 000 000 000 015 " +
                                    FrameToDecimal(request.right(2), true) + "] -> [001 004 030"))
        << lines[1].toStdString();
}

// A babbling line cannot fill the disk: past the limit one line says the
// journal is full and no more lines follow.
TEST_F(RequestDevicesTest, ExchangeJournalStopsAtItsLimit)
{
    Start();
    link.SetJournalLimit(300);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(link.ExecuteCommand(4).Result, 0);
    const QStringList lines = JournalLines();
    ASSERT_GE(lines.size(), 2);
    ASSERT_LT(lines.size(), 8);
    EXPECT_EQ(lines.last(), TRequestDevices::JournalFullText());
    EXPECT_EQ(lines.count(TRequestDevices::JournalFullText()), 1);
    EXPECT_LT(QFileInfo(JournalPath()).size(), 300 + 200);
}

TEST_F(RequestDevicesTest, FailuresGiveMinusOne)
{
    Start();
    // A code without a request: nothing is sent, decoded or journaled.
    sim.ClearRequests();
    EXPECT_EQ(link.ExecuteCommand(253).Result, -1);
    EXPECT_EQ(link.ExecuteCommand(255).Result, -1);
    EXPECT_EQ(device.decodes, 0);
    EXPECT_EQ(sim.RequestCount(), 0);
    EXPECT_FALSE(QFile::exists(JournalPath()));

    // No answer: decoded as such and journaled with empty brackets.
    sim.InjectFault({TSimFaultKind::Silence});
    EXPECT_EQ(link.ExecuteCommand(4).Result, -1);
    EXPECT_EQ(model.ErrorCode(), -1);
    ASSERT_EQ(JournalLines().size(), 1);
    EXPECT_TRUE(JournalLines()[0].endsWith("] -> []"));

    // The device's error answer is -1 although the model decoded it.
    sim.InjectFault({TSimFaultKind::ErrorAnswer, 2});
    const int before = device.decodes;
    EXPECT_EQ(link.ExecuteCommand(4).Result, -1);
    EXPECT_EQ(device.decodes, before + 1);

    // Other failures are the model's error code.
    sim.InjectFault({TSimFaultKind::Exception, 2});
    EXPECT_EQ(link.ExecuteCommand(4).Result, -7);
    sim.InjectFault({TSimFaultKind::StatusWord, 0x0008});
    EXPECT_EQ(link.ExecuteCommand(4).Result, 8);
    EXPECT_EQ(link.ExecuteCommand(4).Result, 0);
}

TEST_F(RequestDevicesTest, MissingPortShowsOneMessageAndCommandsFail)
{
    WriteComPort("/dev/ttyUSB_tals_missing");
    const TPortOpenResult opened = link.StartLink(&device);
    EXPECT_FALSE(opened);
    EXPECT_TRUE(dialogs.messages.isEmpty()); // the link reports, the program shows
    EXPECT_TRUE(opened.Message().startsWith("Ошибка активации порта :/dev/ttyUSB_tals_missing"));
    EXPECT_EQ(link.ExecuteCommand(4).Result, -1);
    EXPECT_EQ(link.ExecuteZelvin().Result, -1);
    EXPECT_EQ(device.decodes, 0);
    EXPECT_FALSE(QFile::exists(JournalPath()));
    // Polling steps still run.
    link.SetPolled(4, true);
    link.Worker()->Resume();
    EXPECT_TRUE(WaitForSteps(1));
}

TEST_F(RequestDevicesTest, APortGivenAtStartReplacesComPortIniBeforeTheFirstOpen)
{
    // ComPort.ini names a port that is not there: opening it would report it.
    WriteComPort("/dev/ttyUSB_tals_missing", "ReadInterval=20\r\n");
    link.StartLink(&device,
                   [this](TTransmitter &transmitter) { transmitter.SetPort(sim.PortPath()); });
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('\n').toStdString();
    ASSERT_TRUE(link.Transmitter()->Connected());
    EXPECT_EQ(link.Transmitter()->Port(), sim.PortPath());
    EXPECT_EQ(link.ExecuteCommand(4).Result, 0);

    // A failing adjustment leaves the port closed, with nothing opened.
    link.StopLink();
    link.StartLink(&device, [](TTransmitter &) { throw std::runtime_error("bad speed"); });
    EXPECT_TRUE(dialogs.messages.isEmpty());
    ASSERT_NE(link.Transmitter(), nullptr);
    EXPECT_FALSE(link.Transmitter()->Connected());
}

TEST_F(RequestDevicesTest, MeterExchangeDecodesTheLoopCurrent)
{
    Start();
    EXPECT_EQ(link.ExecuteZelvin().Result, 0);
    EXPECT_NEAR(model.CurrentOutput().Output().ToDouble(), sim.MeterCurrent(), 0.01);
    ASSERT_EQ(JournalLines().size(), 1);
    EXPECT_TRUE(JournalLines()[0].startsWith("[01 00 01 00 A0] -> [01 00 "));
    sim.InjectFault({TSimFaultKind::ErrorAnswer});
    EXPECT_EQ(link.ExecuteZelvin().Result, -1);
}

TEST_F(RequestDevicesTest, StepRunsPolledCodesInAscendingOrderAndArchives)
{
    Start();
    link.SetDeviceEnabled(0, true);
    link.SetPolled(25, true);
    link.SetPolled(4, true);
    sim.ClearRequests();
    link.Worker()->Resume();
    ASSERT_TRUE(WaitForSteps(1));
    EXPECT_EQ(device.offThread, 0); // the worker handed its answers over
    const QList<QByteArray> requests = sim.Requests();
    ASSERT_EQ(requests.size(), 2);
    EXPECT_EQ(requests[0], AppendCrc16(QByteArray::fromHex("01040000000F")));
    EXPECT_EQ(requests[1], AppendCrc16(QByteArray::fromHex("01040BD70004")));

    const auto records = archive.Records();
    ASSERT_EQ(records.size(), 6u);
    const char *names[] = {"Distance",    "LevelBusy",    "LevelFree",
                           "TmpOfSensor", "TestDistance", "TestDistanceFlt"};
    const int decimals[] = {1, 1, 1, 0, 1, 1};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(records[i].Name, names[i]);
        EXPECT_EQ(records[i].Decimals, decimals[i]);
    }
    EXPECT_DOUBLE_EQ(records[0].Value, 5000.0);

    // A failed answer archives nothing.
    sim.InjectFault({TSimFaultKind::BadCrc}, 2);
    link.Worker()->Resume();
    ASSERT_TRUE(WaitForSteps(2));
    EXPECT_EQ(archive.Records().size(), 6u);
}

TEST_F(RequestDevicesTest, BothDevicesAlternateBeginningWithTheMeter)
{
    Start();
    link.SetDeviceEnabled(0, true);
    link.SetDeviceEnabled(1, true);
    link.SetPolled(4, true);
    sim.ClearRequests();
    for (int step = 1; step <= 4; ++step) {
        link.Worker()->Resume();
        ASSERT_TRUE(WaitForSteps(step));
    }
    const QList<QByteArray> requests = sim.Requests();
    ASSERT_EQ(requests.size(), 4);
    const QByteArray meter = QByteArray::fromHex("01000100A0");
    EXPECT_EQ(requests[0], meter);
    EXPECT_NE(requests[1], meter);
    EXPECT_EQ(requests[2], meter);
    EXPECT_NE(requests[3], meter);
    const auto records = archive.Records();
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(records.front().Name, "CurrentOutput");
    EXPECT_EQ(records.front().Decimals, 2);

    // With only the meter enabled every step serves it.
    link.SetDeviceEnabled(0, false);
    sim.ClearRequests();
    for (int step = 5; step <= 6; ++step) {
        link.Worker()->Resume();
        ASSERT_TRUE(WaitForSteps(step));
    }
    EXPECT_EQ(sim.Requests(), QList<QByteArray>({meter, meter}));
}

TEST_F(RequestDevicesTest, TimerIniKeepsStateAndInterval)
{
    QDir().mkpath(dir.file("INI"));
    test::writeAll(dir.file("INI/timer.ini"), "[ctReqDevices]\r\nEnabled=1\r\nInterval=500\r\n");
    Start();
    EXPECT_TRUE(link.PollTimer()->IsEnabled());
    EXPECT_EQ(link.PollTimer()->interval(), 500);
    int changes = 0;
    link.PollTimer()->OnStateChange = [&](TCustomTimer *) { ++changes; };
    link.PollTimer()->SetPaused(true);
    EXPECT_EQ(changes, 0);
    link.PollTimer()->Stop();
    EXPECT_EQ(changes, 1);
    link.PollTimer()->setInterval(1500);
    link.PollTimer()->SaveToIni();

    TCustomTimer again;
    again.setObjectName("ctReqDevices");
    again.LoadFromIni();
    EXPECT_FALSE(again.IsEnabled());
    EXPECT_EQ(again.interval(), 1500);
}

// The worker polls on a short period while the user-interface thread gives
// commands of its own: every answer is decoded under its own code, nothing
// blocks, and each exchange is journaled once.
TEST_F(RequestDevicesTest, PollingAndCommandsShareTheLineSafely)
{
    Start("ReadInterval=10\r\n");
    link.SetDeviceEnabled(0, true);
    link.SetDeviceEnabled(1, true);
    link.SetPolled(4, true);
    link.SetPolled(25, true);
    sim.ClearRequests();
    QTimer ticks;
    // As the main window's tick does: resume the worker under RequestLock.
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        std::lock_guard lock(link.Worker()->RequestLock());
        link.Worker()->Resume();
    });
    ticks.start(5);
    const quint8 codes[] = {4, 25, 5, 15, 81};
    int failures = 0;
    const int commands = 200;
    for (int i = 0; i < commands; ++i) {
        if (link.ExecuteCommand(codes[i % 5]).Result != 0)
            ++failures;
        QCoreApplication::processEvents();
    }
    ticks.stop();
    ASSERT_TRUE(WaitForSteps(link.Worker()->StepCount()));

    EXPECT_EQ(failures, 0);
    EXPECT_EQ(device.mismatches.load(), 0);
    EXPECT_EQ(device.offThread, 0);
    const int exchanges = sim.RequestCount() + sim.MeterRequestCount();
    EXPECT_GT(link.Worker()->StepCount(), 0);
    EXPECT_GT(exchanges, commands);
    EXPECT_EQ(JournalLines().size(), exchanges);
    EXPECT_EQ(device.decodes, sim.RequestCount());
}

TEST_F(RequestDevicesTest, StopLinkEndsAWorkerThatWaitsForTheInterfaceThread)
{
    Start();
    link.SetDeviceEnabled(0, true);
    link.SetPolled(4, true);
    link.Worker()->Resume();
    // The worker's answer waits for this thread, which stops the link meanwhile.
    link.StopLink();
    EXPECT_FALSE(link.Started());
    EXPECT_EQ(link.ExecuteCommand(4).Result, -1);
}

} // namespace

namespace {

QByteArray Word(quint16 v)
{
    QByteArray b;
    AppendWord(b, v);
    return b;
}

QByteArray Single(float v)
{
    QByteArray b;
    AppendSingle(b, v);
    return b;
}

// The 30 data bytes of the readings block: status, distance, free space,
// level, six unused registers, temperature.
QByteArray ReadingsData(quint16 status, const QByteArray &distance)
{
    return Word(status) + distance + Single(1000) + Single(2000) + QByteArray(12, 0) + Single(20);
}

QByteArray Frame(quint8 address, quint8 function, const QByteArray &body)
{
    QByteArray f;
    f.append(char(address));
    f.append(char(function));
    f.append(body);
    return AppendCrc16(f);
}

// The scheduler against a peer that answers as the test says.
class HostileLineTest : public ::testing::Test
{
protected:
    enum Mode { Good, OtherSlave, OtherFunction, OtherCount, Identification, Gateway, NanLevel };

    void SetUp() override
    {
        m_oldDir = QDir::currentPath();
        QDir::setCurrent(dir.path());
        SetStartDir(dir.path());
        SetProgramDir(dir.path());
        ASSERT_TRUE(peer.Start([this](const QByteArray &) { return Answer(mode.load()); }));
        QDir().mkpath(dir.file("INI"));
        test::writeAll(dir.file("INI/ComPort.ini"),
                       "[Transmitter]\r\nPort=" + peer.PortPath().toUtf8() +
                           "\r\nReadInterval=20\r\nReadTotalConstant=200\r\n");
        model.SetErrorMax(1);
        link.StartLink(&device);
        ASSERT_TRUE(link.Transmitter()->Connected());
        link.SetArchive(&archive);
        link.SetDeviceEnabled(0, true);
        link.SetPolled(4, true);
    }
    void TearDown() override
    {
        link.StopLink();
        peer.Stop();
        SetStartDir(QString());
        SetProgramDir(QString());
        QDir::setCurrent(m_oldDir);
    }
    static QByteArray Answer(int mode)
    {
        const QByteArray good = ReadingsData(0, Single(5000));
        switch (mode) {
        case OtherSlave:
            return Frame(2, 4, char(30) + ReadingsData(0, Single(7777)));
        case OtherFunction:
            return Frame(1, 3, char(30) + ReadingsData(0, Single(7777)));
        case OtherCount:
            return Frame(1, 4, char(28) + ReadingsData(0, Single(7777)).left(28));
        case Identification: // read as readings it would be status word 0x0101
            return Frame(1, 0x2B, QByteArray::fromHex("0E01010000") + QByteArray(40, 'x'));
        case Gateway:
            return Frame(1, 0x84, QByteArray(1, 0x0B));
        case NanLevel:
            return Frame(1, 4, char(30) + ReadingsData(0, QByteArray::fromHex("7FC00000")));
        default:
            return Frame(1, 4, char(30) + good);
        }
    }
    // One polling step on the worker.
    void Poll()
    {
        const int steps = link.Worker()->StepCount();
        {
            std::lock_guard lock(link.Worker()->RequestLock());
            link.Worker()->Resume();
        }
        QElapsedTimer timer;
        timer.start();
        while (link.Worker()->StepCount() <= steps || !link.Worker()->Suspended()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            ASSERT_LT(timer.elapsed(), 30000);
        }
    }
    int Archived(const char *name)
    {
        int n = 0;
        for (const auto &r : archive.Records())
            n += r.Name == QLatin1String(name);
        return n;
    }

    test::ScratchDir dir;
    test::ScriptedDialogs dialogs;
    test::TFakePeer peer;
    std::atomic<int> mode{Good};
    TProgramModes modes;
    Ttals352 model{modes};
    TCheckingDevice device{model};
    TRecordingArchive archive;
    TRequestDevices link;

private:
    QString m_oldDir;
};

// Answers of another slave, of another function or with another byte count
// are no readings: a failure, nothing decoded, nothing archived, no fault.
TEST_F(HostileLineTest, AnswersThatDoNotMatchTheRequestAreNotDecoded)
{
    Poll();
    ASSERT_EQ(Archived("Distance"), 1);
    for (int m : {OtherSlave, OtherFunction, OtherCount, Identification}) {
        mode = m;
        EXPECT_EQ(link.ExecuteCommand(4).Result, kMismatchErrorCode) << m;
        link.ArchiveReadings(4);
        Poll();
        EXPECT_EQ(model.ErrorText(), MismatchText());
        EXPECT_EQ(model.Distance().Output().ToDouble(), 5000.0);
    }
    EXPECT_EQ(Archived("Distance"), 1);
    EXPECT_FALSE(QFile::exists(BlackBoxPath()));
}

// A poll whose answer failed archives nothing, also while the failure is only
// counted and the link state still shows the last good answer.
TEST_F(HostileLineTest, AFailedPollArchivesNothing)
{
    Poll();
    ASSERT_EQ(archive.Records().size(), 4u);
    model.SetErrorMax(3);
    mode = Gateway;
    Poll();
    Poll();
    EXPECT_EQ(model.LinkState().Value().ToInteger(), 1); // counted, not reported yet
    EXPECT_EQ(archive.Records().size(), 4u);
    Poll();
    EXPECT_EQ(model.ErrorCode(), -7);
    EXPECT_EQ(model.ErrorText(), QStringLiteral("Код 11 - Шлюз: устройство не отвечает"));
    EXPECT_EQ(archive.Records().size(), 4u);
    // A command of the window after a failed answer archives nothing either.
    EXPECT_EQ(link.ExecuteCommand(4).Result, -7);
    link.ArchiveReadings(4);
    EXPECT_EQ(archive.Records().size(), 4u);
    mode = Good;
    EXPECT_EQ(link.ExecuteCommand(4).Result, 0);
    link.ArchiveReadings(4);
    link.ArchiveReadings(4); // once only
    EXPECT_EQ(archive.Records().size(), 8u);
}

// A NaN distance is not archived as a number; the other readings are.
TEST_F(HostileLineTest, NanReadingsAreNotArchived)
{
    mode = NanLevel;
    Poll();
    EXPECT_EQ(model.ErrorCode(), 0);
    EXPECT_EQ(Archived("Distance"), 0);
    EXPECT_EQ(Archived("LevelFree"), 1);
    EXPECT_EQ(Archived("TmpOfSensor"), 1);
    EXPECT_EQ(model.Distance().FormatValue(false, true), QStringLiteral("нет данных"));
}

} // namespace

namespace {

// The program's link on a network gateway (tcp://127.0.0.1:PORT, the
// simulated transducer served as "RTU over TCP"): StartLink opens it from
// ComPort.ini and everything else is as on the serial line.
class GatewayLinkTest : public RequestDevicesTest
{
protected:
    bool StartSimulator() override { return sim.StartTcp(); }
};

TEST_F(GatewayLinkTest, CommandsReadAndWriteRegistersAndAreJournaled)
{
    Start("ReadInterval=200\r\nFrameEnd=Length\r\n");
    TTransmitter &port = *link.Transmitter();
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_TRUE(port.NetworkPort());
    EXPECT_EQ(port.FrameEnd(), TFrameEnd::feLength);
    link.SetJournalRadix(16);
    for (TFrameEnd end : {TFrameEnd::feLength, TFrameEnd::feGap}) {
        SCOPED_TRACE(FrameEndToStr(end).toStdString());
        port.SetFrameEnd(end);
        EXPECT_EQ(link.ExecuteCommand(4).Result, 0); // the readings block
        EXPECT_DOUBLE_EQ(model.Distance().Output().ToDouble(), 5000.0);
        EXPECT_EQ(link.ExecuteCommand(5).Result, 0); // the user registers
        EXPECT_DOUBLE_EQ(model.Hmax(), sim.HoldingSingle(1000));

        model.SetKKalman(0.5);
        EXPECT_EQ(link.ExecuteCommand(86).Result, 0); // write KKalman
        EXPECT_FLOAT_EQ(sim.HoldingSingle(1006), 0.5f);
        sim.SetHoldingSingle(1006, 0.25f);
        EXPECT_EQ(link.ExecuteCommand(9).Result, 0); // read it back
        EXPECT_DOUBLE_EQ(model.KKalman(), 0.25);
        sim.SetHoldingSingle(1006, 1.0f);

        const QStringList lines = JournalLines();
        ASSERT_FALSE(lines.isEmpty());
        EXPECT_EQ(lines.last(),
                  "[" + FrameToHex(AppendCrc16(QByteArray::fromHex("010303EE0002"))) + "] -> [" +
                      FrameToHex(AppendCrc16(QByteArray::fromHex("0103043E800000"))) + "]");
    }
    EXPECT_EQ(device.mismatches.load(), 0);
}

// The time-outs work as on the line: a silent device gives an empty answer
// after the total time-out, and the next command is answered.
TEST_F(GatewayLinkTest, ASilentDeviceEndsOnTheTimeOut)
{
    Start("ReadInterval=50\r\nReadTotalConstant=100\r\n");
    sim.InjectFault({TSimFaultKind::Silence});
    EXPECT_EQ(link.ExecuteCommand(4).Result, -1);
    EXPECT_EQ(model.ErrorText(), "Нет ответа от устройства");
    EXPECT_EQ(link.ExecuteCommand(4).Result, 0);
}

// Gateways close idle connections; the next exchange connects again.
TEST_F(GatewayLinkTest, AClosedConnectionIsOpenedAgain)
{
    Start("ReadInterval=100\r\n");
    ASSERT_EQ(link.ExecuteCommand(4).Result, 0);
    const int before = sim.RequestCount();
    sim.DropConnection();
    // The close reaches this side some time later; until then an exchange
    // may still go to the old connection and find no answer.
    int result = -1;
    for (int attempt = 0; attempt < 50 && result != 0; ++attempt)
        result = link.ExecuteCommand(4).Result;
    EXPECT_EQ(result, 0);
    EXPECT_GT(sim.RequestCount(), before);
    EXPECT_TRUE(link.Transmitter()->Connected());
}

// A gateway that was switched off fails the commands meanwhile and is used
// again, without the operator, once it is back.
TEST_F(GatewayLinkTest, AGatewayBackFromAPowerCutIsUsedAgain)
{
    Start("ReadInterval=100\r\n");
    ASSERT_EQ(link.ExecuteCommand(4).Result, 0);
    TTcpAddress address;
    ASSERT_TRUE(ParseTcpPortName(sim.PortPath(), address));
    sim.Stop();
    int result = 0;
    for (int attempt = 0; attempt < 50 && result == 0; ++attempt)
        result = link.ExecuteCommand(4).Result;
    EXPECT_EQ(result, -1);
    EXPECT_EQ(link.ExecuteCommand(4).Result, -1); // refused while it is away
    ASSERT_TRUE(sim.StartTcp(address.Port));
    EXPECT_EQ(link.ExecuteCommand(4).Result, 0);
    EXPECT_TRUE(link.Transmitter()->Connected());
}

} // namespace
