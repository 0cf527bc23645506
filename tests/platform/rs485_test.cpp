#include "platform/rs485.h"

#include <linux/serial.h>

#include <gtest/gtest.h>

#include <cerrno>

using namespace tals;

namespace {

// Puts a fake driver in place for one test.
class FakeDriver
{
public:
    explicit FakeDriver(int refuseWith = 0)
    {
        m_previous = InstallRs485Ioctl([this, refuseWith](int fd, bool set, TRs485Request &r) {
            calls++;
            lastFd = fd;
            if (set)
                sent = r;
            if (refuseWith != 0) {
                errno = refuseWith;
                return -1;
            }
            return 0;
        });
    }
    ~FakeDriver() { InstallRs485Ioctl(m_previous); }

    int calls = 0;
    int lastFd = -1;
    TRs485Request sent;

private:
    TRs485Ioctl m_previous;
};

TEST(Rs485, TheSettingsReachTheDriverAsItsFlagsAndDelays)
{
    struct TCase
    {
        bool OnSend, AfterSend;
        int Before, After;
        unsigned Flags;
        unsigned BeforeSent, AfterSent;
    };
    const TCase cases[] = {
        {true, false, 0, 0, SER_RS485_ENABLED | SER_RS485_RTS_ON_SEND, 0, 0},
        {false, true, 2, 5, SER_RS485_ENABLED | SER_RS485_RTS_AFTER_SEND, 2, 5},
        {true, true, -3, 1, SER_RS485_ENABLED | SER_RS485_RTS_ON_SEND | SER_RS485_RTS_AFTER_SEND, 0,
         1},
    };
    for (const TCase &c : cases) {
        FakeDriver driver;
        TRs485Settings s;
        s.Enabled = true;
        s.RtsOnSend = c.OnSend;
        s.RtsAfterSend = c.AfterSend;
        s.DelayBeforeSendMs = c.Before;
        s.DelayAfterSendMs = c.After;
        EXPECT_EQ(ApplyRs485(7, s), 0);
        EXPECT_EQ(driver.calls, 1);
        EXPECT_EQ(driver.lastFd, 7);
        EXPECT_EQ(driver.sent.Flags, c.Flags);
        EXPECT_EQ(driver.sent.DelayBeforeSendMs, c.BeforeSent);
        EXPECT_EQ(driver.sent.DelayAfterSendMs, c.AfterSent);
    }
}

TEST(Rs485, ARefusingDriverGivesItsReason)
{
    FakeDriver driver(ENOTTY);
    TRs485Settings s;
    s.Enabled = true;
    EXPECT_EQ(ApplyRs485(3, s), ENOTTY);
    EXPECT_FALSE(QueryRs485(3));
    EXPECT_EQ(Rs485RefusalText(ENOTTY),
              QStringLiteral("драйвер порта не поддерживает режим RS-485"));
    EXPECT_EQ(Rs485RefusalText(EINVAL), QStringLiteral("драйвер порта не принял настройки RS-485"));
}

} // namespace
