#pragma once

// Finds a lost port and brings it back. An error that means the device went
// away (the adapter unplugged, the simulator or the other side of a
// pseudo-terminal gone, its path vanished, a gateway that cannot be reached)
// marks the port lost; the caller closes it. While it is lost, a reopen of
// the same name is due at most once per interval while polling, and at
// once for a command the operator gives. Thread-safe: the worker
// and the user-interface thread both exchange.

#include "link/serial_port.h"

#include <QString>

#include <chrono>
#include <mutex>

namespace tals {

// Whether the port failure means the device went away.
bool IsPortLoss(const ESerialError &error);
// The cause of such a failure in Russian.
QString PortLossReason(const ESerialError &error);
// Whether the device a port name stands for is still there (a gateway
// always counts as present; its loss shows in the connection).
bool PortPathPresent(const QString &portName);

// "Порт потерян" and the texts of the fault journal.
QString PortLostText();
QString PortLostJournalText(const QString &port, const QString &reason);
QString PortRecoveredJournalText(const QString &port);

class TPortWatch
{
public:
    using TClock = std::chrono::steady_clock;
    static constexpr int kReopenIntervalMs = 1000;

    explicit TPortWatch(int reopenIntervalMs = kReopenIntervalMs);

    bool Lost() const;
    QString Reason() const;
    // Marks the port lost; false when it already was (one journal line per loss).
    bool MarkLost(const QString &reason);
    // True when a reopen may be tried now: for a polling step at most once
    // per interval, for a single command of the operator at once. The attempt
    // is noted, so the next polling attempt is due an interval later.
    bool ReopenDue(bool polling, TClock::time_point now = TClock::now());
    // The port is back; false when it was not lost.
    bool MarkRecovered();
    // Forgets a loss (the operator opened another port).
    void Reset();

private:
    const std::chrono::milliseconds m_interval;
    mutable std::mutex m_lock;
    bool m_lost = false;
    QString m_reason;
    TClock::time_point m_lastAttempt;
};

} // namespace tals
