// A network gateway named tcp://HOST:PORT carries the same RTU frames as the
// serial line: the whole program's exchange over a loopback connection to
// the simulated transducer, and what the operator is told when it fails.

#include "device/program_modes.h"
#include "device/tals352.h"
#include "link/request_devices.h"
#include "link/tals352_link.h"
#include "link/tcp_port.h"
#include "link/transmitter.h"
#include "platform/date_time.h"
#include "platform/paths.h"
#include "platform/text_file.h"
#include "protocol/frame.h"
#include "sim/sim_transducer.h"
#include "sim/tcp_listener.h"

#include "tests/common/scripted_dialogs.h"
#include "tests/common/test_support.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace tals;

namespace {

TEST(TcpPortName, HostAndPortAreTakenFromTheName)
{
    struct Case
    {
        const char *name;
        bool valid;
        const char *host;
        int port;
    } cases[] = {
        {"tcp://127.0.0.1:502", true, "127.0.0.1", 502},
        {" TCP://gateway.local:4001 ", true, "gateway.local", 4001},
        {"tcp://[::1]:502", true, "::1", 502},
        {"tcp://10.0.0.5:65535/", true, "10.0.0.5", 65535},
        {"tcp://10.0.0.5", false, "", 0},
        {"tcp://:502", false, "", 0},
        {"tcp://10.0.0.5:0", false, "", 0},
        {"tcp://10.0.0.5:70000", false, "", 0},
        {"tcp://10.0.0.5:502x", false, "", 0},
        {"tcp://a b:502", false, "", 0},
        {"/dev/ttyUSB0", false, "", 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TTcpAddress address;
        ASSERT_EQ(ParseTcpPortName(c.name, address), c.valid);
        if (c.valid) {
            EXPECT_EQ(address.Host, c.host);
            EXPECT_EQ(address.Port, c.port);
        }
    }
    EXPECT_TRUE(IsTcpPortName("Tcp://x"));
    EXPECT_FALSE(IsTcpPortName("COM1"));
}

// The program's link on a gateway: StartLink opens it from ComPort.ini, the
// commands read and write registers and the journal records them.
class TcpLinkTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_oldDir = QDir::currentPath();
        QDir::setCurrent(dir.path());
        SetStartDir(dir.path());
        SetProgramDir(dir.path());
        ASSERT_TRUE(sim.StartTcp());
        sim.SetDistance(5000);
        model.SetErrorMax(1);
    }
    void TearDown() override
    {
        link.StopLink();
        SetStartDir(QString());
        SetProgramDir(QString());
        QDir::setCurrent(m_oldDir);
    }
    void Start(const QByteArray &extra, TRequestDevices *on = nullptr)
    {
        QDir().mkpath(dir.file("INI"));
        test::writeAll(dir.file("INI/ComPort.ini"),
                       "[Transmitter]\r\nPort=" + sim.PortPath().toUtf8() + "\r\n" + extra);
        TRequestDevices &l = on ? *on : link;
        l.StartLink(&device);
        l.SetJournalRadix(16);
    }
    QStringList JournalLines() const
    {
        QStringList lines;
        const QString path = dir.file(QStringLiteral("rd") + FileDate6(Now()) + ".txt");
        for (const QString &line : ReadTextLines(path))
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

TEST_F(TcpLinkTest, CommandsReadAndWriteRegistersThroughTheGateway)
{
    for (const char *frameEnd : {"Gap", "Length"}) {
        SCOPED_TRACE(frameEnd);
        TRequestDevices scheduler;
        Start(QByteArray("ReadInterval=200\r\nFrameEnd=") + frameEnd + "\r\n", &scheduler);
        ASSERT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join("|").toStdString();
        ASSERT_TRUE(scheduler.Transmitter()->Connected());
        EXPECT_TRUE(scheduler.Transmitter()->NetworkPort());

        EXPECT_EQ(scheduler.ExecuteCommand(4), 0); // the readings block
        EXPECT_DOUBLE_EQ(model.Distance().Output().ToDouble(), 5000.0);
        EXPECT_EQ(scheduler.ExecuteCommand(5), 0); // the user registers
        EXPECT_DOUBLE_EQ(model.Hmax(), sim.HoldingSingle(1000));

        model.SetKKalman(0.5);
        EXPECT_EQ(scheduler.ExecuteCommand(86), 0); // write KKalman
        EXPECT_FLOAT_EQ(sim.HoldingSingle(1006), 0.5f);
        sim.SetHoldingSingle(1006, 0.25f);
        EXPECT_EQ(scheduler.ExecuteCommand(9), 0); // read it back
        EXPECT_DOUBLE_EQ(model.KKalman(), 0.25);

        const QStringList lines = JournalLines();
        ASSERT_GE(lines.size(), 4);
        EXPECT_EQ(lines.last(),
                  "[" + FrameToHex(AppendCrc16(QByteArray::fromHex("010303EE0002"))) + "] -> [" +
                      FrameToHex(AppendCrc16(QByteArray::fromHex("0103043E800000"))) + "]");
        EXPECT_EQ(scheduler.Transmitter()->FrameEnd(),
                  QByteArray(frameEnd) == "Gap" ? TFrameEnd::feGap : TFrameEnd::feLength);
        scheduler.StopLink();
    }
}

// The time-outs work as on the line: a silent device gives an empty answer
// after the total time-out, and the next command is answered.
TEST_F(TcpLinkTest, ASilentDeviceEndsOnTheTimeOut)
{
    Start("ReadInterval=50\r\nReadTotalConstant=100\r\n");
    ASSERT_TRUE(link.Transmitter()->Connected());
    sim.InjectFault({TSimFaultKind::Silence});
    EXPECT_EQ(link.ExecuteCommand(4), -1);
    EXPECT_EQ(model.ErrorText(), "Нет ответа от устройства");
    EXPECT_EQ(link.ExecuteCommand(4), 0);
}

// Gateways close idle connections; the next exchange connects again.
TEST_F(TcpLinkTest, AClosedConnectionIsOpenedAgain)
{
    Start("ReadInterval=100\r\n");
    ASSERT_EQ(link.ExecuteCommand(4), 0);
    const int before = sim.RequestCount();
    sim.DropConnection();
    // The close reaches this side some time later; until then an exchange
    // may still go to the old connection and find no answer.
    int result = -1;
    for (int attempt = 0; attempt < 50 && result != 0; ++attempt)
        result = link.ExecuteCommand(4);
    EXPECT_EQ(result, 0);
    EXPECT_GT(sim.RequestCount(), before);
    EXPECT_TRUE(link.Transmitter()->Connected());
}

TEST(TcpPortOpen, ARefusedConnectionSaysWhatToCheck)
{
    // A loopback port nobody listens on: one that was free a moment ago.
    quint16 port = 0;
    {
        TTcpListener listener;
        ASSERT_TRUE(listener.Open(0));
        port = listener.Port();
    }
    const QString name = QStringLiteral("tcp://127.0.0.1:%1").arg(port);
    test::ScriptedDialogs dialogs;
    TTransmitter link;
    link.SetPort(name);
    EXPECT_FALSE(link.Open());
    EXPECT_FALSE(link.Connected());
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0],
              "Ошибка активации порта :" + name + "\r\nШлюз 127.0.0.1:" + QString::number(port) +
                  " отказал в соединении: по этому адресу никто не принимает соединений. "
                  "Проверьте адрес и порт шлюза и что шлюз включён.");
    try {
        link.Connect();
        FAIL() << "no error";
    } catch (const ESerialError &e) {
        EXPECT_EQ(e.Code(), CE_OpenFailed);
        EXPECT_EQ(e.WinCode(), ECONNREFUSED);
    }
    // Exchanges fail as on a closed serial port.
    QByteArray answer;
    EXPECT_THROW(link.Exchange(QByteArray::fromHex("01040000000F"), answer), ESerialError);
}

TEST(TcpPortOpen, AMalformedNameShowsTheExpectedForm)
{
    for (const char *name : {"tcp://127.0.0.1", "tcp://:502", "tcp://127.0.0.1:99999"}) {
        test::ScriptedDialogs dialogs;
        TTransmitter link;
        link.SetPort(name);
        EXPECT_FALSE(link.Open());
        ASSERT_EQ(dialogs.messages.size(), 1);
        EXPECT_EQ(dialogs.messages[0], QStringLiteral("Ошибка активации порта :%1\r\nНеверное имя "
                                                      "сетевого порта \"%1\": ожидается "
                                                      "tcp://УЗЕЛ:ПОРТ, например "
                                                      "tcp://192.168.1.10:502")
                                           .arg(name));
    }
}

} // namespace
