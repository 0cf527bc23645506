#include "sim/pty_pair.h"

#include "platform/error_text.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace tals {

TPtyPair::~TPtyPair()
{
    Close();
}

bool TPtyPair::Open(QString *error)
{
    Close();
    char name[256] = {};
    termios tio{};
    cfmakeraw(&tio);
    if (::openpty(&m_master, &m_slave, name, &tio, nullptr) != 0) {
        if (error)
            *error = QStringLiteral("openpty: %1").arg(SystemErrorText(errno));
        m_master = m_slave = -1;
        return false;
    }
    ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
    ::fcntl(m_slave, F_SETFD, FD_CLOEXEC);
    const int flags = ::fcntl(m_master, F_GETFL);
    ::fcntl(m_master, F_SETFL, flags | O_NONBLOCK);
    m_slavePath = QString::fromLocal8Bit(name);
    return true;
}

void TPtyPair::Close()
{
    if (m_master >= 0)
        ::close(m_master);
    if (m_slave >= 0)
        ::close(m_slave);
    m_master = m_slave = -1;
    m_slavePath.clear();
}

} // namespace tals
