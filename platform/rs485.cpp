#include "platform/rs485.h"

#include "platform/error_text.h"

#include <linux/serial.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <mutex>

namespace tals {

namespace {

int KernelIoctl(int fd, bool set, TRs485Request &request)
{
    serial_rs485 rs{};
    if (set) {
        rs.flags = request.Flags;
        rs.delay_rts_before_send = request.DelayBeforeSendMs;
        rs.delay_rts_after_send = request.DelayAfterSendMs;
        return ::ioctl(fd, TIOCSRS485, &rs);
    }
    const int rc = ::ioctl(fd, TIOCGRS485, &rs);
    if (rc == 0) {
        request.Flags = rs.flags;
        request.DelayBeforeSendMs = rs.delay_rts_before_send;
        request.DelayAfterSendMs = rs.delay_rts_after_send;
    }
    return rc;
}

std::mutex g_lock;
TRs485Ioctl g_ioctl;

int CallIoctl(int fd, bool set, TRs485Request &request)
{
    TRs485Ioctl call;
    {
        std::lock_guard lock(g_lock);
        call = g_ioctl;
    }
    return call ? call(fd, set, request) : KernelIoctl(fd, set, request);
}

unsigned Delay(int ms)
{
    return ms > 0 ? static_cast<unsigned>(ms) : 0u;
}

} // namespace

int ApplyRs485(int fd, const TRs485Settings &settings)
{
    TRs485Request request;
    request.Flags = SER_RS485_ENABLED;
    if (settings.RtsOnSend)
        request.Flags |= SER_RS485_RTS_ON_SEND;
    if (settings.RtsAfterSend)
        request.Flags |= SER_RS485_RTS_AFTER_SEND;
    request.DelayBeforeSendMs = Delay(settings.DelayBeforeSendMs);
    request.DelayAfterSendMs = Delay(settings.DelayAfterSendMs);
    errno = 0;
    if (CallIoctl(fd, true, request) == 0)
        return 0;
    return errno != 0 ? errno : EINVAL;
}

bool QueryRs485(int fd)
{
    TRs485Request request;
    return CallIoctl(fd, false, request) == 0;
}

QString Rs485RefusalText(int err)
{
    switch (err) {
    case ENOTTY:
    case EOPNOTSUPP:
        return QStringLiteral("драйвер порта не поддерживает режим RS-485");
    case EINVAL:
    case ERANGE:
        return QStringLiteral("драйвер порта не принял настройки RS-485");
    default:
        return SystemErrorText(err);
    }
}

TRs485Ioctl InstallRs485Ioctl(TRs485Ioctl ioctl)
{
    std::lock_guard lock(g_lock);
    TRs485Ioctl previous = std::move(g_ioctl);
    g_ioctl = std::move(ioctl);
    return previous;
}

} // namespace tals
