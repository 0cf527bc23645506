#pragma once

// A simulated ТАЛС352И level transducer on a pseudo-terminal, with the
// current meter of the current-output loop ("ЗЕЛВИН-512") on the same line.
// It serves the master side of the pair in its own thread: Modbus RTU
// functions 3, 4, 6, 16 and 43/14 over the transducer's register map, the
// broadcast address change, the array read-out, the service protocol and the
// meter's CRC-8 request. Faults can be injected per request. Every accessor
// is thread-safe, so tests read and change the device while it serves.
// Further transducers can share the line (SetDeviceCount): each has its own
// registers, address, plant number and versions; the addressed one answers,
// and a broadcast reaches them all. When two answer one request their
// answers collide into one corrupt frame.

#include "sim/device_physics.h"
#include "sim/pty_pair.h"
#include "sim/tcp_listener.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

namespace tals {

enum class TSimFaultKind {
    Silence,     // no answer at all
    Truncate,    // only the first `value` bytes of the answer
    BadCrc,      // the last checksum byte is inverted
    Exception,   // a Modbus exception answer with code `value` (1 to 4)
    StatusWord,  // the readings block carries the status word `value`
    ByteGaps,    // `value` ms of silence between the bytes of the answer
    Overlong,    // the answer is padded with filler to `value` bytes
    ErrorAnswer, // the device's own 6-byte error answer (function byte 0xFA)
};

struct TSimFault
{
    TSimFaultKind Kind = TSimFaultKind::Silence;
    int Value = 0;
};

// The frame the master receives when these complete answers (checksums
// included) are sent at once: garbled, its checksum never valid.
QByteArray CollidedFrame(const std::vector<QByteArray> &frames);

class TSimTransducer
{
public:
    TSimTransducer();
    ~TSimTransducer();
    TSimTransducer(const TSimTransducer &) = delete;
    TSimTransducer &operator=(const TSimTransducer &) = delete;

    // Opens the pseudo-terminal and starts serving; false with a message on failure.
    bool Start(QString *error = nullptr);
    // Serves on a loopback TCP socket instead, as a serial-to-Ethernet
    // gateway in its "RTU over TCP" mode: 127.0.0.1:port (0: a free port),
    // one master connection at a time (a new one replaces the old).
    bool StartTcp(quint16 port = 0, QString *error = nullptr);
    void Stop();
    bool IsRunning() const { return m_thread.joinable(); }
    // The port a master opens: the pseudo-terminal's slave side (for
    // example /dev/pts/5), or "tcp://127.0.0.1:PORT" when served over TCP.
    QString PortPath() const;
    // Closes the master's connection, as a gateway does after an idle time.
    void DropConnection();
    // A symbolic link to the port, made by each Start and removed by Stop, so
    // that a restart comes back under the same name, as a USB adapter
    // plugged in again under its /dev/serial/by-id name. Empty: none.
    void SetLinkPath(const QString &path);
    QString LinkPath() const;

    // Line
    void SetAddress(quint8 address);
    quint8 Address() const;
    // The number of transducers on the line, this one included (at least 1).
    // Device i (from 1) starts with this one's address + i, plant number + i,
    // software version + i and hardware version + i; a smaller count removes
    // devices from the end. The others share this one's port, thread, bit
    // rate and meter; faults are injected per device.
    void SetDeviceCount(int count);
    // Adds a transducer with this address and plant number (duplicates
    // allowed: devices answering one request collide, and the master
    // receives one frame with a bad checksum, as on RS-485). Returns it.
    TSimTransducer &AddDevice(quint8 address, quint16 plantNumber);
    int DeviceCount() const;
    // Device 0 is this one (also for an index out of range); valid until
    // SetDeviceCount removes it.
    TSimTransducer &Device(int index);
    // Emulates a bit rate by pacing the answer: 11 bits per byte; 0 sends at once.
    void SetBitRate(int bitsPerSecond);
    void SetByteDelayMicroseconds(int us);
    int ByteDelayMicroseconds() const;
    // Emulates a two-wire RS-485 adapter whose receiver stays on: every byte
    // the master sends comes straight back to it, before the answer.
    void SetEchoRequest(bool on);
    // The next `count` echoes come back with one byte altered.
    void CorruptNextEchoes(int count);
    // Emulates a USB adapter: answers arrive in bursts of `bytes` bytes with
    // `gapMs` of silence between them (its latency timer, 16 ms by
    // default); 0 bytes sends each answer whole.
    void SetBursts(int bytes, int gapMs = 16);

    // Faults, used up one per answered request in the order given.
    void InjectFault(TSimFault fault, int times = 1);
    void ClearFaults();
    int PendingFaults() const;
    // A status word reported by every readings block until changed (0: normal).
    void SetStatusWord(quint16 word);

    // Registers. Holding registers keep what was written (singles as two
    // words, the high half at the lower number); input registers are computed.
    quint16 HoldingRegister(int reg) const;
    void SetHoldingRegister(int reg, quint16 value); // no range check
    float HoldingSingle(int reg) const;
    void SetHoldingSingle(int reg, float value);
    // The input register as a read would answer it now; 0 when not mapped.
    quint16 InputRegister(int reg) const;

    // Identity
    void SetPlantNumber(quint16 number);
    quint16 PlantNumber() const;
    void SetSoftVersion(int version);
    void SetHardVersion(int version);
    quint16 Password() const;
    bool FullAccess() const; // password register holds 24680
    // With the rule on, the service registers (2002 and up) refuse writes
    // (exception 1) until the password is set.
    void SetRequirePassword(bool on);
    bool UpdateRequested() const; // the program-update start was written

    // Readings. The true distance moves slowly around its base unless held.
    // The device reports it through its conversion: the raw spectral
    // estimate x = slope × true free space + offset, reported free space
    // KrPer × x + SmPer; with an MMP algorithm (AlgoritmType 1 or 2) the
    // phase method's error instead (see device_physics.h). Level = Lmax -
    // free space, distance = Hmax - level. By default the device is ideal
    // with its factory coefficients.
    void SetDistance(double mm); // the true distance; also holds it there
    void SetLevelMotion(bool moving);
    double TrueDistance() const;
    double Distance() const;  // the distance the device reports now
    double LevelBusy() const; // Hmax - distance, at least 0
    void SetErrors(const TSimHiddenErrors &errors);
    TSimHiddenErrors Errors() const;
    void SetErrorSlope(double slope);
    void SetErrorOffset(double mm);
    void SetPhaseSlope(double slope);
    void SetPhaseOffset(double radians);
    // The standard deviation of the measured distance, mm (0: none).
    void SetNoise(double mm);
    // Fixed obstacles: further peaks of the spectrum and tones of the signal.
    void AddEcho(TSimEcho echo);
    void ClearEchoes();
    std::vector<TSimEcho> Echoes() const;
    double Temperature() const;
    void SetTemperature(double celsius);

    // Array read-out: the control command is confirmed on this many-th read
    // of registers 10000-10001 after it was written (at least 1).
    void SetConfirmAfterReads(int reads);
    quint16 ControlCommandRequest() const;
    quint16 ControlCommandAnswer() const;
    std::vector<quint16> SignalArray() const; // 2060 samples of the last snapshot
    std::vector<float> SpectrumArray() const; // 512 values of the last snapshot

    // The current meter of the current-output loop. It reads the loop current
    // with a known error: reading = current × (1 + gain) + offset, rounded to
    // 0.01 mA; by default 0.3 % low plus 0.015 mA, so a current-output run
    // finds differences on both sides of its 0.026 mA mark.
    static constexpr double kMeterGainError = -0.003;
    static constexpr double kMeterOffsetError = 0.015; // mA
    void SetMeterPresent(bool present);
    void SetMeterError(double gain, double offsetMilliamps);
    double LoopCurrent() const;  // mA, follows the level and the output range
    double MeterCurrent() const; // mA, what the meter answers now

    // Traffic seen, for tests.
    int RequestCount() const;           // frames addressed to the transducer (or broadcast)
    int MeterRequestCount() const;      // requests of the meter
    QList<QByteArray> Requests() const; // every frame received (by a further device: for it)
    void ClearRequests();

private:
    // An answer to send, with the fault it carries.
    struct TReply
    {
        bool Send = false;
        QByteArray Answer;
        TSimFault Fault;
        bool HasFault = false;
    };

    void Run();
    // Takes the waiting connection, or closes the current one.
    void AcceptConnection();
    void CloseConnection();
    // Where answers go: the connection or the pseudo-terminal; -1 when none.
    int LineFd() const;
    bool StartServing(QString *error);
    void HandleFrame(const QByteArray &frame);
    // Returns the bytes just read to the master when the echo is on.
    void Echo(int line, QByteArray bytes);
    bool MakeLink(QString *error);
    void RemoveLink();
    // This device's reply to a transducer frame, with its mutex held.
    TReply Respond(const QByteArray &frame);
    // The same for a further device: locks it and records the frame when it is addressed.
    TReply Serve(const QByteArray &frame);
    int CompleteFrameLength(const QByteArray &buffer) const;
    // Sends an answer; with checksum false it goes as it is (a collision).
    void Send(QByteArray answer, const TSimFault *fault, bool crc8, bool checksum = true);
    QByteArray Answer(const QByteArray &frame, bool &silent);
    QByteArray ReadHolding(const QByteArray &f);
    QByteArray ReadInput(const QByteArray &f);
    QByteArray WriteSingle(const QByteArray &f);
    QByteArray WriteMultiple(const QByteArray &f, bool broadcast);
    QByteArray Identification(const QByteArray &f);
    QByteArray Service(const QByteArray &f);
    QByteArray MeterAnswer();
    QByteArray Exception(quint8 function, quint8 code) const;
    QByteArray ErrorAnswerFrame(quint8 code) const;
    bool ReadHoldingWord(int reg, quint16 &value) const;
    bool ReadInputWord(int reg, quint16 &value) const;
    // Checks and stores a block of holding registers; 0 or an exception code.
    int StoreHolding(int start, const std::vector<quint16> &values);
    void ControlCommandWritten(quint16 value);
    void TakeArraySnapshot(quint16 kind);
    double TrueDistanceLocked() const;
    TSimSettings SettingsLocked() const;
    TSimMeasurement MeasureLocked() const;
    double DistanceLocked() const;
    double LevelBusyLocked() const;
    double LoopCurrentLocked() const;
    double MeterCurrentLocked() const;
    float SingleAt(int reg) const;
    void PutSingle(int reg, float value);

    mutable std::mutex m_mutex;
    TPtyPair m_pty;
    TTcpListener m_listener;
    int m_connection = -1; // the master's TCP connection; server thread only
    std::thread m_thread;
    int m_wake[2] = {-1, -1};
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_drop{false};
    std::atomic<bool> m_echoRequest{false};
    std::atomic<int> m_corruptEchoes{0};
    QString m_linkPath; // guarded by m_mutex

    quint8 m_address = 1;
    std::vector<std::unique_ptr<TSimTransducer>> m_others; // further devices on the line
    int m_byteDelayUs = 0;
    int m_burstBytes = 0;
    int m_burstGapMs = 16;
    std::deque<TSimFault> m_faults;
    quint16 m_statusWord = 0;
    std::map<int, quint16> m_holding;
    quint16 m_plantNumber = 1234;
    int m_softVersion = 3;
    int m_hardVersion = 2;
    bool m_requirePassword = false;
    bool m_updateRequested = false;
    bool m_moving = true;
    double m_baseDistance = 5000.0;
    double m_temperature = 23.5;
    double m_startSeconds = 0.0;
    int m_confirmAfter = 2;
    int m_controlReads = 0;
    quint16 m_controlRequest = 0;
    quint16 m_controlAnswer = 0;
    std::vector<quint16> m_signal;
    std::vector<float> m_spectrum;
    std::vector<float> m_residual;
    std::vector<quint8> m_training;
    bool m_meterPresent = true;
    double m_meterGain = kMeterGainError;
    double m_meterOffset = kMeterOffsetError;
    int m_requestCount = 0;
    int m_meterRequestCount = 0;
    QList<QByteArray> m_requests;
    TSimHiddenErrors m_errors;
    std::vector<TSimEcho> m_echoes;
    double m_noiseSd = 0;     // mm, of the measured free space
    double m_noiseSample = 0; // drawn once per request
    std::minstd_rand m_random{12345};
    std::mt19937 m_gauss{2026};
};

} // namespace tals
