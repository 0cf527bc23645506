#pragma once

// The tool's connection to one transducer, built from the same core as the
// window program: the device model, the request scheduler with its serial
// link, and, with --simulate, the simulated transducer on a pseudo-terminal.
// Commands run on the calling thread through the scheduler's ExecuteCommand,
// as the program's operator commands do.

#include "device/exchange_outcome.h"
#include "device/program_modes.h"

#include <QString>
#include <QStringList>

#include <memory>

namespace tals {
class TRequestDevices;
class TSimTransducer;
class TTransmitter;
class TTals352Link;
class Ttals352;
} // namespace tals

namespace tals::cli {

struct TCliOptions;

// The tool's port and bit rate (0 keeps ComPort.ini's) on the transmitter,
// before the first open. Throws what the transmitter throws.
void ApplyPortOptions(TTransmitter &transmitter, const QString &port, int baud);

// The built-in simulated line ("--simulate"): one transducer at each of the
// addresses, on its pseudo-terminal. Null, with the reason in error, when it
// cannot start.
std::unique_ptr<TSimTransducer> StartSimulatedLine(const QList<int> &addresses, QString &error);

class TCliSession
{
public:
    explicit TCliSession(const TCliOptions &options);
    ~TCliSession();
    TCliSession(const TCliSession &) = delete;
    TCliSession &operator=(const TCliSession &) = delete;

    // Starts the simulated transducer when asked, the link with the journal
    // in the start directory, and opens the port. False with the reason.
    bool Open(QString &error);
    // What the opened port could not do (the RS-485 mode refused), empty if nothing.
    QString OpenWarning() const { return m_openWarning; }

    Ttals352 &Model() { return *m_model; }
    TProgramModes &Modes() { return m_modes; }
    TSimTransducer *Simulator() { return m_simulator.get(); }

    // One exchange and what it came to. A polling caller has a lost port
    // tried again at most once a second.
    TExchangeOutcome Execute(quint8 code, bool polling = false);
    // Up to `attempts` exchanges until one succeeds, as the program's
    // commands repeat theirs.
    bool ExecuteWithRetries(quint8 code, int attempts = 5);
    // The result of the last exchange: -1 when the device did not answer.
    int LastResult() const { return m_last.Result; }
    const TExchangeOutcome &LastOutcome() const { return m_last; }
    // Why the last exchange failed, in the model's words ("Порт потерян: ..."
    // while the port is away).
    QString LastFailure() const;

    // The device's full access for the service registers: password 24680 / 0.
    bool OpenFullAccess();
    bool CloseFullAccess();

private:
    const TCliOptions &m_options;
    TProgramModes m_modes;
    std::unique_ptr<Ttals352> m_model;
    std::unique_ptr<TTals352Link> m_link;
    std::unique_ptr<TSimTransducer> m_simulator;
    std::unique_ptr<TRequestDevices> m_scheduler;
    TExchangeOutcome m_last;
    QString m_openWarning;
};

} // namespace tals::cli
