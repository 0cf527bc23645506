#include "sim/tcp_listener.h"

#include "platform/error_text.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tals {

TTcpListener::~TTcpListener()
{
    Close();
}

bool TTcpListener::Open(quint16 port, QString *error)
{
    Close();
    auto fail = [&](const char *what) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(QLatin1String(what), SystemErrorText(errno));
        Close();
        return false;
    };
    m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_fd < 0)
        return fail("socket");
    const int on = 1;
    ::setsockopt(m_fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    if (::bind(m_fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0)
        return fail("bind 127.0.0.1");
    if (::listen(m_fd, 4) != 0)
        return fail("listen");
    socklen_t length = sizeof address;
    if (::getsockname(m_fd, reinterpret_cast<sockaddr *>(&address), &length) != 0)
        return fail("getsockname");
    m_port = ntohs(address.sin_port);
    return true;
}

void TTcpListener::Close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_port = 0;
}

QString TTcpListener::PortName() const
{
    return QStringLiteral("tcp://127.0.0.1:%1").arg(m_port);
}

int TTcpListener::Accept() const
{
    const int fd = ::accept4(m_fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd >= 0) {
        const int on = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    }
    return fd;
}

} // namespace tals
