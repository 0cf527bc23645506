#pragma once

// TTransmitter: the program's one serial link, shared by the level
// transducer (Modbus RTU, CRC-16, even parity) and the current meter of the
// current-output loop (CRC-8, no parity). It keeps the port settings in
// INI/ComPort.ini, opens the port (the result tells why it failed) and
// performs half-duplex exchanges. One lock serialises whole exchanges, so a
// user-interface command and a polling step never interleave on the line.

#include "link/local_echo.h"
#include "link/serial_port.h"
#include "protocol/frame.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <mutex>

namespace tals {

class TTransmitter;

// Where a transducer's answer ends: on the gap after the last byte (the
// read rule of the port), or as soon as the answer is complete by the length
// its function and byte count give, with its checksum checked; an answer
// that does not complete still ends on the gap or the total time-out.
enum class TFrameEnd { feGap, feLength };

// Texts as they stand in ComPort.ini ("Gap", "Length") and in the dialog.
QString FrameEndToStr(TFrameEnd end);
// Matched without regard to letter case; false when the text names neither.
bool StrToFrameEnd(const QString &text, TFrameEnd &end);
QStringList FrameEndTexts();

// What opening the port came to, for the caller to report.
struct TPortOpenResult
{
    bool Ok = false;
    QString Port;    // the port's name
    QString Reason;  // why it failed, empty when the port gave no cause
    QString Warning; // opened, but the kernel's RS-485 mode was not as asked
    // "Ошибка активации порта :" + the port name, and the cause on the next line.
    QString Message() const;
    explicit operator bool() const { return Ok; }
};

// The values the port-settings dialog edits.
struct TPortSettings
{
    QString Port = QStringLiteral("COM1");
    TBaudRate BaudRate = TBaudRate::br9600;
    int CustomBaudRate = 9600; // used only with BaudRate brCustom
    TDataBits DataBits = TDataBits::dbEight;
    TStopBits StopBits = TStopBits::sbOneStopBit;
    TParityBits Parity = TParityBits::prNone;
    TFlowControl FlowControl = TFlowControl::fcNone;
    TFrameEnd FrameEnd = TFrameEnd::feGap;
    bool LocalEcho = false; // the line returns each request before the answer
    TRs485Settings Rs485;
    bool operator==(const TPortSettings &) const = default;
};

// Called after every exchange with (sender, request as transmitted, answer,
// answered flag), on the thread that performed the exchange.
using TExchangeHandler = std::function<void(TTransmitter *sender, const QByteArray &request,
                                            const QByteArray &answer, bool answered)>;
// The port-settings dialog: edits settings in place, ports lists the ports
// present; returns true on "OK".
using TSetupDialogHook = std::function<bool(TPortSettings &settings, const QStringList &ports)>;

class TTransmitter : public TComPort
{
public:
    TTransmitter();
    ~TTransmitter() override;

    QString Name() const { return m_name; }
    void SetName(const QString &name) { m_name = name; } // also the INI section
    // <current directory>/INI/ComPort.ini, fixed at construction.
    QString IniFileName() const { return m_iniFileName; }
    void SetIniFileName(const QString &path) { m_iniFileName = path; }

    // Reads every key of ComPort.ini (a missing file gives the defaults) and
    // applies them at once; failures throw ESerialError 17.
    void LoadSettings();
    // Writes every key, creating the file if needed.
    void SaveSettings();
    // Runs the installed dialog hook and applies the values on "OK".
    // Without a hook nothing changes. True unless the dialog failed.
    bool ShowSetupDialog();
    void SetSetupDialogHook(TSetupDialogHook hook) { m_setupHook = std::move(hook); }

    // The settings of the moment as a copy kept up to date on every change:
    // reading it never waits for an exchange in progress.
    TPortSettings Settings() const;
    // Applies the values together (to the open port as well).
    void ApplySettings(const TPortSettings &settings);

    // Connects; the result names the port and, on failure, the cause (on
    // success, what the kernel's RS-485 mode left to be said).
    TPortOpenResult Open();
    // Disconnects; false if that failed (nothing is shown).
    bool Close();

    // One transducer exchange: CRC-16 appended when asked, both queues purged,
    // parity Even, frame written, (the local echo read back,) at most limit
    // bytes read, queues purged. True when something came back. Serial errors
    // are thrown to the caller; echo gets what went wrong with the echo (a
    // mismatch leaves the answer empty).
    bool Exchange(const QByteArray &request, QByteArray &answer, int limit = kAnswerLimit,
                  bool appendChecksum = true, TEchoFault *echo = nullptr);
    // The meter's exchange: CRC-8, parity None, purge before writing only.
    bool ExchangeZelvin(const QByteArray &request, QByteArray &answer, int limit = 70,
                        bool appendChecksum = true, TEchoFault *echo = nullptr);

    void SetOnExchange(TExchangeHandler handler);

    // How the transducer's answers end; the meter's always end on the gap.
    TFrameEnd FrameEnd() const;
    void SetFrameEnd(TFrameEnd end);
    // The line returns every request before the answer (ComPort.ini LocalEcho).
    bool LocalEcho() const { return m_localEcho; }
    void SetLocalEcho(bool on);

protected:
    void SettingsChanged() override;

private:
    // The line discipline of one device type.
    struct TTransferSteps
    {
        TParityBits Parity;
        bool ParityBeforePurge;
        bool PurgeAfter;
        bool ByLength; // the read may end on the answer's length
    };
    // Purge, parity, write, read (and purge) under the port lock, then OnExchange.
    bool Transfer(const QByteArray &frame, QByteArray &answer, int limit,
                  const TTransferSteps &steps, TEchoFault *echo);
    void Notify(const QByteArray &request, const QByteArray &answer, bool answered);

    QString m_name = QStringLiteral("Transmitter");
    QString m_iniFileName;
    TSetupDialogHook m_setupHook;
    std::atomic<TFrameEnd> m_frameEnd{TFrameEnd::feGap};
    std::atomic<bool> m_localEcho{false};
    // Held for a whole exchange and for every change of the port.
    mutable std::recursive_mutex m_portLock;
    std::mutex m_handlerLock;
    TExchangeHandler m_onExchange;
    // The copy Settings() returns; its lock is never held across port I/O.
    mutable std::mutex m_snapshotLock;
    TPortSettings m_snapshot;
};

} // namespace tals
