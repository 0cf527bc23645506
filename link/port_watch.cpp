#include "link/port_watch.h"

#include "link/tcp_port.h"
#include "platform/error_text.h"

#include <QFile>

#include <cerrno>
#include <sys/stat.h>

namespace tals {

bool IsPortLoss(const ESerialError &error)
{
    switch (error.WinCode()) {
    case EIO:
    case ENXIO:
    case ENODEV:
    case ENOENT:
    case EPIPE:
    case ECONNRESET:
    case ECONNABORTED:
    case ECONNREFUSED:
    case ENOTCONN:
    case ETIMEDOUT:
    case ENETUNREACH:
    case EHOSTUNREACH:
    case ENETDOWN:
        return true;
    default:
        return false;
    }
}

QString PortLossReason(const ESerialError &error)
{
    if (!error.Reason().isEmpty())
        return error.Reason();
    switch (error.WinCode()) {
    case EIO:
    case ENXIO:
    case ENODEV:
    case ENOENT:
        return QStringLiteral("устройство отключено");
    default:
        return SystemErrorText(error.WinCode());
    }
}

bool PortPathPresent(const QString &portName)
{
    if (IsTcpPortName(portName))
        return true;
    struct stat st
    {
    };
    return ::stat(QFile::encodeName(TComPort::DevicePath(portName)).constData(), &st) == 0;
}

QString PortLostText()
{
    return QStringLiteral("Порт потерян");
}

QString PortLostJournalText(const QString &port, const QString &reason)
{
    return QStringLiteral("%1: %2 - %3").arg(PortLostText(), port, reason);
}

QString PortRecoveredJournalText(const QString &port)
{
    return QStringLiteral("Порт восстановлен: %1, опрос продолжается").arg(port);
}

TPortWatch::TPortWatch(int reopenIntervalMs) : m_interval(reopenIntervalMs) {}

bool TPortWatch::Lost() const
{
    std::lock_guard lock(m_lock);
    return m_lost;
}

QString TPortWatch::Reason() const
{
    std::lock_guard lock(m_lock);
    return m_reason;
}

bool TPortWatch::MarkLost(const QString &reason)
{
    std::lock_guard lock(m_lock);
    if (m_lost)
        return false;
    m_lost = true;
    m_reason = reason;
    // The first reopen waits an interval: the device has only just gone.
    m_lastAttempt = TClock::now();
    return true;
}

bool TPortWatch::ReopenDue(bool polling, TClock::time_point now)
{
    std::lock_guard lock(m_lock);
    if (!m_lost || (polling && now - m_lastAttempt < m_interval))
        return false;
    m_lastAttempt = now;
    return true;
}

bool TPortWatch::MarkRecovered()
{
    std::lock_guard lock(m_lock);
    if (!m_lost)
        return false;
    m_lost = false;
    m_reason.clear();
    return true;
}

void TPortWatch::Reset()
{
    std::lock_guard lock(m_lock);
    m_lost = false;
    m_reason.clear();
}

} // namespace tals
