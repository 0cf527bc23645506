#include "link/tcp_port.h"

#include "link/serial_port.h"
#include "platform/error_text.h"

#include <QRegularExpression>

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tals {

namespace {

QString Endpoint(const TTcpAddress &a)
{
    return (a.Host.contains(QLatin1Char(':')) ? QLatin1Char('[') + a.Host + QLatin1Char(']')
                                              : a.Host) +
           QLatin1Char(':') + QString::number(a.Port);
}

[[noreturn]] void Fail(int err, const QString &reason)
{
    throw ESerialError(CE_OpenFailed, err, reason);
}

QString ConnectFailure(int err, const TTcpAddress &a, int timeoutMs)
{
    const QString where = Endpoint(a);
    switch (err) {
    case ECONNREFUSED:
        return QStringLiteral("Шлюз %1 отказал в соединении: по этому адресу никто не принимает "
                              "соединений. Проверьте адрес и порт шлюза и что шлюз включён.")
            .arg(where);
    case ETIMEDOUT:
        return QStringLiteral("Шлюз %1 не ответил за %2 мс: проверьте, что он включён, подключён "
                              "к сети и доступен с этого компьютера.")
            .arg(where)
            .arg(timeoutMs);
    case ENETUNREACH:
    case EHOSTUNREACH:
        return QStringLiteral("Шлюз %1 недоступен: нет маршрута в его сеть. Проверьте адрес и "
                              "сетевые настройки компьютера.")
            .arg(where);
    default:
        return QStringLiteral("Не удалось соединиться со шлюзом %1: %2")
            .arg(where, SystemErrorText(err));
    }
}

// One attempt on one resolved address; the socket, or -1 with err set.
int TryConnect(const addrinfo &ai, std::chrono::steady_clock::time_point deadline, int &err)
{
    const int fd =
        ::socket(ai.ai_family, ai.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, ai.ai_protocol);
    if (fd < 0) {
        err = errno;
        return -1;
    }
    if (::connect(fd, ai.ai_addr, ai.ai_addrlen) != 0) {
        if (errno != EINPROGRESS) {
            err = errno;
            ::close(fd);
            return -1;
        }
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  deadline - std::chrono::steady_clock::now())
                                  .count();
            pollfd p{fd, POLLOUT, 0};
            const int r = left > 0 ? ::poll(&p, 1, static_cast<int>(left)) : 0;
            if (r < 0 && errno == EINTR)
                continue;
            if (r <= 0) {
                err = r == 0 ? ETIMEDOUT : errno;
                ::close(fd);
                return -1;
            }
            break;
        }
        int soError = 0;
        socklen_t length = sizeof soError;
        if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &length) != 0)
            soError = errno;
        if (soError != 0) {
            err = soError;
            ::close(fd);
            return -1;
        }
    }
    // Each request goes out at once, not held back to be joined with the next.
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return fd;
}

} // namespace

bool IsTcpPortName(const QString &name)
{
    return name.trimmed().startsWith(QLatin1String("tcp://"), Qt::CaseInsensitive);
}

bool ParseTcpPortName(const QString &name, TTcpAddress &address)
{
    static const QRegularExpression form(
        QStringLiteral("^tcp://(?:\\[([0-9A-Fa-f:.]+)\\]|([^:/\\[\\]\\s]+)):([0-9]{1,5})/?$"),
        QRegularExpression::CaseInsensitiveOption);
    const auto match = form.match(name.trimmed());
    if (!match.hasMatch())
        return false;
    const int port = match.captured(3).toInt();
    if (port < 1 || port > 65535)
        return false;
    address.Host = match.captured(1).isEmpty() ? match.captured(2) : match.captured(1);
    address.Port = static_cast<quint16>(port);
    return true;
}

int TcpConnect(const QString &name, int timeoutMs)
{
    TTcpAddress a;
    if (!ParseTcpPortName(name, a))
        Fail(EINVAL,
             QStringLiteral("Неверное имя сетевого порта \"%1\": ожидается tcp://УЗЕЛ:ПОРТ, "
                            "например tcp://192.168.1.10:502")
                 .arg(name.trimmed()));
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *found = nullptr;
    const int rc = ::getaddrinfo(a.Host.toUtf8().constData(),
                                 QByteArray::number(a.Port).constData(), &hints, &found);
    if (rc != 0) {
        if (rc == EAI_NONAME || rc == EAI_NODATA || rc == EAI_FAIL)
            Fail(ENOENT, QStringLiteral("Узел \"%1\" не найден: проверьте имя или IP-адрес шлюза.")
                             .arg(a.Host));
        Fail(EIO, QStringLiteral("Не удалось найти адрес узла \"%1\": %2")
                      .arg(a.Host, QString::fromLocal8Bit(::gai_strerror(rc))));
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    int err = ECONNREFUSED;
    int fd = -1;
    for (const addrinfo *ai = found; ai && fd < 0; ai = ai->ai_next)
        fd = TryConnect(*ai, deadline, err);
    ::freeaddrinfo(found);
    if (fd < 0)
        Fail(err, ConnectFailure(err, a, timeoutMs));
    return fd;
}

bool TcpDiscardInput(int fd)
{
    char buffer[512];
    for (;;) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n > 0)
            continue;
        if (n == 0)
            return false; // the gateway closed the connection
        if (errno == EINTR)
            continue;
        return errno == EAGAIN || errno == EWOULDBLOCK;
    }
}

} // namespace tals
