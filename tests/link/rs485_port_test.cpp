// The kernel's RS-485 mode from ComPort.ini to the driver, and a driver that
// refuses it: the port stays open in normal mode with a message that names it.

#include "link/port_diagnostics.h"
#include "link/transmitter.h"
#include "platform/rs485.h"
#include "sim/sim_transducer.h"

#include "tests/common/scripted_dialogs.h"
#include "tests/common/test_support.h"

#include <linux/serial.h>

#include <gtest/gtest.h>

using namespace tals;

namespace {

class Rs485PortTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(sim.Start()); }
    void Load(const QByteArray &keys)
    {
        test::writeAll(dir.file("ComPort.ini"),
                       "[Transmitter]\r\nPort=" + sim.PortPath().toUtf8() + "\r\n" + keys);
        port.SetIniFileName(dir.file("ComPort.ini"));
        port.LoadSettings();
    }

    test::ScratchDir dir;
    test::ScriptedDialogs dialogs;
    TSimTransducer sim;
    TTransmitter port;
};

TEST_F(Rs485PortTest, TheIniKeysReachTheIoctlWhenThePortOpens)
{
    TRs485Request sent;
    int calls = 0;
    const TRs485Ioctl previous = InstallRs485Ioctl([&](int, bool set, TRs485Request &r) {
        if (set) {
            sent = r;
            ++calls;
        }
        return 0;
    });
    Load("RS485=1\r\nRtsOnSend=0\r\nRtsAfterSend=1\r\nDelayBeforeSendMs=3\r\n"
         "DelayAfterSendMs=4\r\n");
    EXPECT_TRUE(port.Rs485().Enabled);
    EXPECT_EQ(calls, 0); // applied when the port opens
    ASSERT_TRUE(port.Open());
    InstallRs485Ioctl(previous);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(sent.Flags, unsigned(SER_RS485_ENABLED | SER_RS485_RTS_AFTER_SEND));
    EXPECT_EQ(sent.DelayBeforeSendMs, 3u);
    EXPECT_EQ(sent.DelayAfterSendMs, 4u);
    EXPECT_TRUE(port.Rs485Warning().isEmpty());

    // Saved and read back unchanged.
    port.SaveSettings();
    TTransmitter again;
    again.SetIniFileName(dir.file("ComPort.ini"));
    again.LoadSettings();
    EXPECT_EQ(again.Rs485(), port.Rs485());
    EXPECT_EQ(again.Settings().Rs485, port.Rs485());
}

TEST_F(Rs485PortTest, WithoutTheKeyTheDriverIsLeftAlone)
{
    int calls = 0;
    const TRs485Ioctl previous = InstallRs485Ioctl([&](int, bool, TRs485Request &) {
        ++calls;
        return 0;
    });
    Load("");
    ASSERT_TRUE(port.Open());
    InstallRs485Ioctl(previous);
    EXPECT_EQ(calls, 0);
    EXPECT_FALSE(port.Rs485().Enabled);
    EXPECT_TRUE(port.Rs485().RtsOnSend);
}

// A pseudo-terminal's driver knows no RS-485 mode: the real ioctl refuses,
// the port is open and exchanges, and the warning names the port and why.
TEST_F(Rs485PortTest, ARefusingDriverLeavesThePortOpenWithAMessage)
{
    Load("RS485=1\r\n");
    ASSERT_TRUE(port.Open());
    EXPECT_TRUE(port.Connected());
    EXPECT_TRUE(dialogs.messages.isEmpty());
    const QString warning = port.Rs485Warning();
    EXPECT_TRUE(warning.contains(sim.PortPath())) << warning.toStdString();
    EXPECT_TRUE(warning.contains(QStringLiteral("не поддерживает режим RS-485")))
        << warning.toStdString();
    QByteArray answer;
    EXPECT_TRUE(port.Exchange(QByteArray::fromHex("010400000002"), answer));
    EXPECT_FALSE(PortSupportsRs485(sim.PortPath()));
}

} // namespace
