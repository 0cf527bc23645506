#pragma once

// A listening TCP socket on the loopback address only (127.0.0.1), where the
// simulated device is served as a serial-to-Ethernet gateway would serve its
// line: RTU frames over one connection.

#include <QString>

namespace tals {

class TTcpListener
{
public:
    TTcpListener() = default;
    ~TTcpListener();
    TTcpListener(const TTcpListener &) = delete;
    TTcpListener &operator=(const TTcpListener &) = delete;

    // Listens on 127.0.0.1:port (0: a free port the system picks); false
    // with a message in error on failure.
    bool Open(quint16 port, QString *error = nullptr);
    void Close();
    bool IsOpen() const { return m_fd >= 0; }

    int Fd() const { return m_fd; }
    quint16 Port() const { return m_port; }
    // The port name a master opens: "tcp://127.0.0.1:PORT".
    QString PortName() const;
    // The next waiting connection, non-blocking; -1 when there is none.
    int Accept() const;

private:
    int m_fd = -1;
    quint16 m_port = 0;
};

} // namespace tals
