// A network gateway named tcp://HOST:PORT: the name, and what the operator
// is told when the gateway cannot be opened. The program's exchange over it
// is tested with the scheduler (request_devices_test).

#include "link/tcp_port.h"
#include "link/transmitter.h"
#include "sim/tcp_listener.h"

#include "tests/common/scripted_dialogs.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

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
    const TPortOpenResult opened = link.Open();
    EXPECT_FALSE(opened);
    EXPECT_FALSE(link.Connected());
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_EQ(opened.Message(),
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

TEST(TcpPortOpen, AGatewayThatDoesNotAnswerTimesOut)
{
    // A listener whose queue holds one connection and never accepts: the
    // next connection attempt gets no answer.
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(listener, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr *>(&address), length), 0);
    ASSERT_EQ(::listen(listener, 0), 0);
    ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr *>(&address), &length), 0);
    const QString where = QStringLiteral("127.0.0.1:%1").arg(ntohs(address.sin_port));
    const int filler = TcpConnect("tcp://" + where);
    try {
        ::close(TcpConnect("tcp://" + where, 300));
        FAIL() << "connected";
    } catch (const ESerialError &e) {
        EXPECT_EQ(e.Code(), CE_OpenFailed);
        EXPECT_EQ(e.WinCode(), ETIMEDOUT);
        EXPECT_EQ(e.Reason(), "Шлюз " + where +
                                  " не ответил за 300 мс: проверьте, что он включён, подключён к "
                                  "сети и доступен с этого компьютера.");
    }
    ::close(filler);
    ::close(listener);
}

TEST(TcpPortOpen, AMalformedNameShowsTheExpectedForm)
{
    for (const char *name : {"tcp://127.0.0.1", "tcp://:502", "tcp://127.0.0.1:99999"}) {
        test::ScriptedDialogs dialogs;
        TTransmitter link;
        link.SetPort(name);
        const TPortOpenResult opened = link.Open();
        EXPECT_FALSE(opened);
        EXPECT_TRUE(dialogs.messages.isEmpty());
        EXPECT_EQ(opened.Message(), QStringLiteral("Ошибка активации порта :%1\r\nНеверное имя "
                                                   "сетевого порта \"%1\": ожидается "
                                                   "tcp://УЗЕЛ:ПОРТ, например "
                                                   "tcp://192.168.1.10:502")
                                        .arg(name));
    }
}

} // namespace
