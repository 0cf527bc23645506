#pragma once

// The tool's connection to one transducer, built from the same core as the
// window program: the device model, the request scheduler with its serial
// link, and, with --simulate, the simulated transducer on a pseudo-terminal.
// Commands run on the calling thread through the scheduler's ExecuteCommand,
// as the program's operator commands do.

#include "device/program_modes.h"
#include "platform/dialogs.h"

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

// Keeps the messages the core would show in a message box, for the tool to
// print when they explain a failure; questions take their default button.
class TCollectedDialogs : public TDialogService
{
public:
    TCollectedDialogs();
    ~TCollectedDialogs() override;
    TCollectedDialogs(const TCollectedDialogs &) = delete;
    TCollectedDialogs &operator=(const TCollectedDialogs &) = delete;

    void Message(const QString &text, TDialogIcon icon, const QString &caption) override;
    TDialogButton Question(const QString &text, const QList<TDialogButton> &buttons,
                           TDialogButton defaultButton, const QString &caption) override;
    bool InputText(const QString &caption, const QString &prompt, QString &value) override;
    QString OpenFileName(const QString &caption, const QString &folder,
                         const QString &filter) override;
    QString SaveFileName(const QString &caption, const QString &folder,
                         const QString &filter) override;

    QStringList Messages;

private:
    TDialogService *m_previous = nullptr;
};

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

    // One exchange: 0 on success, else -1 or the device's error code. A
    // polling caller has a lost port tried again at most once a second.
    int Execute(quint8 code, bool polling = false);
    // Up to `attempts` exchanges until one succeeds, as the program's
    // commands repeat theirs.
    bool ExecuteWithRetries(quint8 code, int attempts = 5);
    // The result of the last exchange: -1 when the device did not answer.
    int LastResult() const { return m_lastResult; }
    // Why the last exchange failed, in the model's words ("Порт потерян: ..."
    // while the port is away).
    QString LastFailure() const;

    // The device's full access for the service registers: password 24680 / 0.
    bool OpenFullAccess();
    bool CloseFullAccess();

private:
    const TCliOptions &m_options;
    TProgramModes m_modes;
    TCollectedDialogs m_dialogs;
    std::unique_ptr<Ttals352> m_model;
    std::unique_ptr<TTals352Link> m_link;
    std::unique_ptr<TSimTransducer> m_simulator;
    std::unique_ptr<TRequestDevices> m_scheduler;
    int m_lastResult = 0;
    QString m_openWarning;
};

} // namespace tals::cli
