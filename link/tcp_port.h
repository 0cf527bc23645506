#pragma once

// The network side of the port: a port named "tcp://HOST:PORT" is a
// serial-to-Ethernet gateway that carries the RTU frames unchanged over one
// TCP connection. Opening it, its failures in words an operator can act on,
// and discarding what it has received; reading and writing go through the
// port's own rules, which work on any descriptor poll() can wait on.

#include <QString>

namespace tals {

// A gateway's address from its port name.
struct TTcpAddress
{
    QString Host; // a name or an address; IPv6 without the brackets
    quint16 Port = 0;
};

// True when the name has the gateway form "tcp://..." (letter case ignored),
// whether or not the rest is valid.
bool IsTcpPortName(const QString &name);
// Host and port of "tcp://HOST:PORT" ("tcp://[::1]:502" for IPv6); false for
// a missing host, a missing port or one outside 1 to 65535.
bool ParseTcpPortName(const QString &name, TTcpAddress &address);

// How long opening a gateway may take.
constexpr int kTcpConnectTimeout = 5000; // ms

// Connects to the gateway within timeoutMs and returns the non-blocking
// socket, or throws ESerialError 1 with the reason in Russian: a malformed
// name, an unknown host, a refused connection, no answer in time.
int TcpConnect(const QString &name, int timeoutMs = kTcpConnectTimeout);

// Discards the bytes the socket has received; false when the gateway has
// closed the connection (or it failed), so that it has to be opened again.
bool TcpDiscardInput(int fd);

} // namespace tals
