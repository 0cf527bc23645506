#pragma once

// A peer on a pseudo-terminal that answers every request with the bytes a
// script returns for it: a hostile or misbehaving device for the link tests.
// A request is complete after a short silence on the line. The script runs on
// the peer's thread; it may wait (for example until the test releases it).

#include <QByteArray>
#include <QString>

#include <atomic>
#include <functional>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace tals::test {

class TFakePeer
{
public:
    using TScript = std::function<QByteArray(const QByteArray &request)>;

    ~TFakePeer() { Stop(); }

    bool Start(TScript script)
    {
        m_script = std::move(script);
        int slave = -1;
        char name[128] = {};
        if (::openpty(&m_master, &slave, name, nullptr, nullptr) != 0)
            return false;
        termios raw{};
        ::tcgetattr(slave, &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(slave, TCSANOW, &raw);
        m_path = QString::fromLocal8Bit(name);
        // The slave stays open here so the line does not hang up between opens.
        m_slave = slave;
        m_running = true;
        m_thread = std::thread([this] { Serve(); });
        return true;
    }

    void Stop()
    {
        m_running = false;
        if (m_thread.joinable())
            m_thread.join();
        if (m_master >= 0)
            ::close(m_master);
        if (m_slave >= 0)
            ::close(m_slave);
        m_master = m_slave = -1;
    }

    QString PortPath() const { return m_path; }
    int Requests() const { return m_requests.load(); }

private:
    void Serve()
    {
        QByteArray request;
        while (m_running) {
            pollfd p{m_master, POLLIN, 0};
            const int r = ::poll(&p, 1, request.isEmpty() ? 20 : 5);
            if (r > 0 && (p.revents & POLLIN)) {
                char buffer[256];
                const ssize_t n = ::read(m_master, buffer, sizeof buffer);
                if (n > 0)
                    request.append(buffer, static_cast<int>(n));
                continue;
            }
            if (request.isEmpty())
                continue;
            ++m_requests;
            const QByteArray answer = m_script ? m_script(request) : QByteArray();
            request.clear();
            if (!answer.isEmpty() && ::write(m_master, answer.constData(), answer.size()) < 0)
                break;
        }
    }

    TScript m_script;
    int m_master = -1;
    int m_slave = -1;
    QString m_path;
    std::atomic<bool> m_running{false};
    std::atomic<int> m_requests{0};
    std::thread m_thread;
};

} // namespace tals::test
