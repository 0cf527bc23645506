#pragma once

// The serial port object: a named port opened for exclusive use, its line
// settings and time-outs, purge of both queues, and blocking write and read
// with the inter-byte and total time-out rules of the Windows communications
// API, reproduced over POSIX termios.

#include "platform/rs485.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <stdexcept>

namespace tals {

enum class TBaudRate {
    brCustom,
    br110,
    br300,
    br600,
    br1200,
    br2400,
    br4800,
    br9600,
    br14400,
    br19200,
    br38400,
    br56000,
    br57600,
    br115200,
    br128000,
    br256000
};
enum class TDataBits { dbFive = 5, dbSix = 6, dbSeven = 7, dbEight = 8 };
enum class TStopBits { sbOneStopBit, sbOne5StopBits, sbTwoStopBits };
enum class TParityBits { prNone, prOdd, prEven, prMark, prSpace };
enum class TFlowControl { fcHardware, fcSoftware, fcNone, fcCustom };

// Texts as they stand in ComPort.ini and in the setup dialog.
QString BaudRateToStr(TBaudRate rate);
// Matched without regard to letter case; false when the text names no rate.
bool StrToBaudRate(const QString &text, TBaudRate &rate);
int BaudRateValue(TBaudRate rate); // bit/s; 0 for brCustom
QString DataBitsToStr(TDataBits bits);
bool StrToDataBits(const QString &text, TDataBits &bits);
QString StopBitsToStr(TStopBits bits);
bool StrToStopBits(const QString &text, TStopBits &bits);
QString ParityToStr(TParityBits parity);
bool StrToParity(const QString &text, TParityBits &parity);
QString FlowControlToStr(TFlowControl flow);
bool StrToFlowControl(const QString &text, TFlowControl &flow);
QStringList BaudRateTexts();

// Time-outs in milliseconds. A read of N bytes ends on N bytes, on a gap
// longer than ReadInterval after a received byte (0: no gap rule), or after
// ReadTotalConstant + ReadTotalMultiplier * N, never later than
// kMaxTotalTimeout (also when both are 0). Writes alike.
struct TComTimeouts
{
    int ReadInterval = 50;
    int ReadTotalConstant = 150;
    int ReadTotalMultiplier = 2;
    int WriteTotalConstant = 100;
    int WriteTotalMultiplier = 2;
    bool operator==(const TComTimeouts &) const = default;
};

// The longest a single read or write may take, in milliseconds.
constexpr int kMaxTotalTimeout = 60000;

// The time-outs brought into a sane range: a negative value becomes its
// default, any value is at most kMaxTotalTimeout.
TComTimeouts SaneTimeouts(const TComTimeouts &timeouts);
// The total limit of a transfer of count bytes: constant + multiplier * count
// computed without overflow and capped at kMaxTotalTimeout; 0 (no limit)
// also gives the cap.
int TotalTimeout(int constant, int multiplier, qint64 count);

// Serial error codes and their texts.
enum TSerialErrorCode {
    CE_OpenFailed = 1,
    CE_WriteFailed = 2,
    CE_ReadFailed = 3,
    CE_InvalidAsync = 4,
    CE_PurgeFailed = 5,
    CE_AsyncCheck = 6,
    CE_SetStateFailed = 7,
    CE_SetTimeoutsFailed = 8,
    CE_SetupComFailed = 9,
    CE_LoadSettings = 17
};
QString SerialErrorText(int code);

// A failure of the port: the serial error code with its text, the platform's
// error number (errno, 0 if none) and, for the operator, why it happened.
class ESerialError : public std::runtime_error
{
public:
    ESerialError(int code, int winCode = 0, const QString &reason = QString());
    int Code() const { return m_code; }
    int WinCode() const { return m_winCode; }
    QString Text() const { return SerialErrorText(m_code); }
    // The cause in Russian ("Порт занят ..."), empty if not known.
    QString Reason() const { return m_reason; }

private:
    int m_code;
    int m_winCode;
    QString m_reason;
};

// The line settings as the kernel got them last (kept because a
// pseudo-terminal does not report parity back).
struct TAppliedLine
{
    int BitRate = 0;
    int DataBits = 8;
    TParityBits Parity = TParityBits::prNone;
    TStopBits StopBits = TStopBits::sbOneStopBit;
    bool RtsCts = false;
    bool XonXoff = false;
    bool CustomRate = false; // applied through BOTHER
    unsigned CFlag = 0;      // the raw termios words
    unsigned IFlag = 0;
};

class TComPort
{
public:
    TComPort();
    virtual ~TComPort();
    TComPort(const TComPort &) = delete;
    TComPort &operator=(const TComPort &) = delete;

    // "COMn" means /dev/ttyS(n-1); "tcp://HOST:PORT" is a network gateway
    // carrying the same frames; anything else is taken as a device path (a
    // bare name such as "ttyUSB0" is looked up under /dev).
    static QString DevicePath(const QString &portName);
    // Serial devices present: first the links in /dev/serial/by-id (their
    // names survive a replug, where ttyUSBn may change), then /dev/ttyS*
    // with hardware behind them, /dev/ttyUSB* and /dev/ttyACM*.
    static QStringList EnumPorts();

    QString Port() const { return m_port; }
    void SetPort(const QString &port); // reopens when connected
    TBaudRate BaudRate() const { return m_baudRate; }
    void SetBaudRate(TBaudRate rate);
    int CustomBaudRate() const { return m_customBaudRate; }
    void SetCustomBaudRate(int rate);
    TDataBits DataBits() const { return m_dataBits; }
    void SetDataBits(TDataBits bits);
    TStopBits StopBits() const { return m_stopBits; }
    void SetStopBits(TStopBits bits);
    TParityBits Parity() const { return m_parity; }
    void SetParity(TParityBits parity);
    TFlowControl FlowControl() const { return m_flowControl; }
    void SetFlowControl(TFlowControl flow);
    TComTimeouts Timeouts() const { return m_timeouts; }
    // Stored as SaneTimeouts gives them.
    void SetTimeouts(const TComTimeouts &timeouts);
    int InputBufferSize() const { return m_inputBufferSize; }
    int OutputBufferSize() const { return m_outputBufferSize; }
    void SetBufferSizes(int input, int output);
    // The kernel's RS-485 mode, applied when the port opens.
    TRs485Settings Rs485() const { return m_rs485; }
    void SetRs485(const TRs485Settings &settings);

    // While an update is open, changed settings are only recorded; EndUpdate
    // applies them all at once to an open port.
    void BeginUpdate();
    void EndUpdate();

    bool Connected() const { return m_fd >= 0; }
    // True while the open port is a network gateway.
    bool NetworkPort() const { return m_socket; }
    // Open the port with the current settings, or throw ESerialError with
    // code 1 and the reason (busy, missing, no permission; for a gateway an
    // unknown host, a refused connection, no answer in time).
    void Connect();
    void Disconnect();
    // Why the last Connect could not turn the RS-485 mode on (the port is
    // open in normal mode then); empty when it did or was not asked to.
    QString Rs485Warning() const { return m_rs485Warning; }

    // Discard received and not yet sent data; throws code 5 when closed. A
    // gateway that has closed the connection is connected again (code 1
    // when that fails; the next purge tries again).
    void Purge();
    // Blocking write within the write time-out; returns the bytes written.
    int Write(const QByteArray &bytes);
    // The length of the complete frame at the head of the bytes read so far,
    // 0 while there is none.
    using TFrameLength = std::function<int(const QByteArray &received)>;
    // Blocking read of at most count bytes under the read time-out rules;
    // with frameLength it also ends as soon as a complete frame has come,
    // and returns that frame alone. A line that has hung up (the adapter
    // unplugged, the other side of a pseudo-terminal closed) throws code 3
    // with EIO.
    QByteArray Read(int count, const TFrameLength &frameLength = {});

    TAppliedLine AppliedLine() const { return m_applied; }
    // The bit rate the current settings mean (custom or table value).
    int EffectiveBitRate() const;

protected:
    // Called on the changing thread after any of the settings above changed.
    virtual void SettingsChanged() {}

private:
    void ApplySettings();
    void ApplyRs485();
    void RecordLine(int rate, bool custom, unsigned cflag, unsigned iflag);
    void Reconnect();
    void ApplyIfOpen();

    QString m_port = QStringLiteral("COM1");
    TBaudRate m_baudRate = TBaudRate::br9600;
    int m_customBaudRate = 9600;
    TDataBits m_dataBits = TDataBits::dbEight;
    TStopBits m_stopBits = TStopBits::sbOneStopBit;
    TParityBits m_parity = TParityBits::prNone;
    TFlowControl m_flowControl = TFlowControl::fcNone;
    TComTimeouts m_timeouts;
    int m_inputBufferSize = 1024;
    int m_outputBufferSize = 1024;
    int m_updateCount = 0;
    // Atomic: a lost port is closed by the thread whose exchange found it,
    // while the other may ask whether it is connected.
    std::atomic<int> m_fd{-1};
    bool m_socket = false;      // m_fd is a gateway's connection
    bool m_gatewayLost = false; // closed by the gateway, not by Disconnect
    // Handshake flags; flow control Custom leaves them as they are.
    bool m_rtsCts = false;
    bool m_xonXoff = false;
    TAppliedLine m_applied;
    TRs485Settings m_rs485;
    QString m_rs485Warning;
};

} // namespace tals
