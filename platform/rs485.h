#pragma once

// The kernel's RS-485 mode of a serial port: the driver switches the
// transceiver's direction with RTS around each transmission (TIOCSRS485).
// The ioctl goes through a replaceable function, so that tests can see what
// reaches the driver and play a driver that refuses.

#include <QString>

#include <functional>

namespace tals {

struct TRs485Settings
{
    bool Enabled = false;
    bool RtsOnSend = true;     // RTS level while sending
    bool RtsAfterSend = false; // RTS level after the last bit went out
    int DelayBeforeSendMs = 0; // RTS set this long before the first bit
    int DelayAfterSendMs = 0;  // and held this long after the last
    bool operator==(const TRs485Settings &) const = default;
};

// What the driver is given, as plain values.
struct TRs485Request
{
    unsigned Flags = 0; // SER_RS485_* bits
    unsigned DelayBeforeSendMs = 0;
    unsigned DelayAfterSendMs = 0;
};

// Turns the mode on for an open descriptor; 0, or the errno of the refusal.
int ApplyRs485(int fd, const TRs485Settings &settings);
// True when the driver of the descriptor knows the mode (TIOCGRS485 answers).
bool QueryRs485(int fd);
// Why the driver refused (errno err), in Russian.
QString Rs485RefusalText(int err);

// The driver calls: set (TIOCSRS485) or get (TIOCGRS485); 0 or -1 with errno.
using TRs485Ioctl = std::function<int(int fd, bool set, TRs485Request &request)>;
// Installs another function (an empty one restores the kernel's); returns
// the one in force before.
TRs485Ioctl InstallRs485Ioctl(TRs485Ioctl ioctl);

} // namespace tals
