#pragma once

// The request scheduler: turns command codes into exchanges. ExecuteCommand
// builds the request from the device model, exchanges it, has the answer
// decoded on the user-interface thread and writes the exchange journal.
// Polling runs on the worker: each poll tick resumes it for one step, which
// serves the next enabled device of the two-entry device list and archives
// the fresh readings.
//
// Threads: the device model is touched on the user-interface thread only
// (the thread that called StartLink). The worker asks that thread for each
// request frame and hands it each answer for decoding, waiting both times;
// the decoding returns the readings of that very answer as a plain value,
// which the worker archives. The transmitter's port lock covers only the
// exchange itself, never a hand-over, so a command of the user-interface
// thread waiting for the port and a worker waiting for the user-interface
// thread cannot block each other. Every decoding gets the request, the answer
// and the command code of its own call.

#include "link/custom_timer.h"
#include "link/hand_over.h"
#include "link/link_device.h"
#include "link/port_watch.h"
#include "link/reading_archive.h"
#include "link/request_thread.h"
#include "link/transmitter.h"
#include "platform/log.h"

#include <QList>
#include <QObject>
#include <QString>

#include <atomic>
#include <bitset>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace tals {

// One instrument on the line.
struct TListDevice
{
    quint8 Kind = 0; // 0 the level transducer, 1 the current meter (CRC-8 frames)
    int Number = 0;
    bool Enabled = false;
    QString Caption;
};

using TPollSet = std::bitset<256>;

// The port went away (lost) or came back; called on the exchanging thread.
struct TPortEvent
{
    bool Lost = false; // false: recovered
    QString Port;
    QString Reason;
};
using TPortEventHandler = std::function<void(const TPortEvent &event)>;

class TRequestDevices
{
public:
    TRequestDevices();
    ~TRequestDevices();
    TRequestDevices(const TRequestDevices &) = delete;
    TRequestDevices &operator=(const TRequestDevices &) = delete;

    // Start-up, on the user-interface thread: the poll timer "ctReqDevices"
    // from Timer.ini, the device list, the transmitter from ComPort.ini
    // (opened; the result says why it did not), the worker suspended, and the
    // journal "rd" + yymmdd + ".txt" in the current directory. The device is
    // not owned and must outlive StopLink. configure, when given, adjusts the
    // transmitter after ComPort.ini is read and before the port is opened (a
    // port named on the command line, say), so ComPort.ini's own port is never
    // touched then; an exception from it leaves the port closed.
    TPortOpenResult StartLink(TLinkDevice *device,
                              const std::function<void(TTransmitter &)> &configure = {});
    // Shut-down: poll timer freed, worker ended, journal closed, port closed.
    void StopLink();
    bool Started() const { return m_transmitter != nullptr; }

    // The device the next exchanges go to (not owned), for a line with several
    // transducers polled in turn from the user-interface thread. Called
    // between exchanges, never while the worker polls.
    void SetDevice(TLinkDevice *device) { m_device = device; }

    // The archive polled readings go to (not owned; null for none).
    void SetArchive(TReadingArchive *archive) { m_archive.store(archive); }

    TCustomTimer *PollTimer() const { return m_pollTimer.get(); }
    TTransmitter *Transmitter() const { return m_transmitter.get(); }
    TRequestThread *Worker() const { return m_worker.get(); }
    TLog *Journal() const { return m_journal.get(); }
    TLinkDevice *Device() const { return m_device; }

    // One transducer command and what it came to; its Result is 0 when the
    // answer was decoded without error, -1 for no answer, the device's error
    // answer, a line failure (the echo) or a failure before or while sending,
    // else the model's ErrorCode after decoding. Never throws. A lost port is
    // tried again first: at once for a single command, at most once a second
    // for a polling caller (polling).
    TExchangeOutcome ExecuteCommand(quint8 code, bool polling = false);
    // The same, also giving the readings decoded from this answer.
    TExchangeOutcome ExecuteCommand(quint8 code, TReadings &readings, bool polling = false);
    // One exchange with the current meter: Result -1 for its error answer or
    // a failure while sending, else 0.
    TExchangeOutcome ExecuteZelvin();
    bool AnyDeviceEnabled() const;
    // One polling step for the next enabled device; false if it failed.
    bool PollNextDevice();
    // Appends to the archive the readings that the last ExecuteCommand(code)
    // of the calling thread decoded from its answer (once; nothing when that
    // answer failed or was for another command).
    void ArchiveReadings(quint8 code);
    // Appends the readings the command carries (reading table) from a value.
    void ArchiveReadings(int code, const TReadings &readings);

    // The port went away during an exchange and is closed until a reopen of
    // the same name succeeds; the reason says why ("устройство отключено").
    bool PortLost() const { return m_portWatch.Lost(); }
    QString PortLossReason() const { return m_portWatch.Reason(); }
    // Forgets a loss, when the operator has opened the port anew.
    void ResetPortWatch() { m_portWatch.Reset(); }
    // Told of each loss and recovery (after its fault-journal line).
    void SetPortEventHandler(TPortEventHandler handler);
    // The fault journal of losses and recoveries; BlackBox.txt of the day
    // folder unless set.
    void SetFaultJournalFile(const QString &path);

    // Commands of the transducer polled by each step, in ascending order.
    void SetPolled(quint8 code, bool polled);
    bool IsPolled(quint8 code) const;
    TPollSet PollSet() const;
    void SetPollSet(const TPollSet &set);

    QList<TListDevice> Devices() const;
    void SetDeviceEnabled(int index, bool enabled);

    // 10 decimal journal lines, 16 hexadecimal, any other value none.
    int JournalRadix() const { return m_journalRadix.load(); }
    void SetJournalRadix(int radix) { m_journalRadix.store(radix); }
    // Size of the exchange journal file after which one line says it is full
    // and no more lines are written.
    static constexpr qint64 kJournalLimit = 50LL * 1024 * 1024;
    void SetJournalLimit(qint64 bytes) { m_journalLimit.store(bytes); }
    static QString JournalFullText();

private:
    // One exchange with either device: the request (made on the
    // user-interface thread for the transducer), the exchange, the decoding
    // on the user-interface thread and the journal line.
    TExchangeOutcome Transact(quint8 kind, quint8 code, TReadings *readings, bool polling);
    // False while the port is lost and not (yet) opened again.
    bool EnsurePort(TTransmitter &link, bool polling);
    void PortLostNow(TTransmitter &link, const QString &reason);
    void ReportPortEvent(const TPortEvent &event);
    bool OnInterfaceThread() const;
    void WriteJournal(const QByteArray &request, const QByteArray &answer);

    TLinkDevice *m_device = nullptr;
    std::atomic<TReadingArchive *> m_archive{nullptr};
    std::unique_ptr<THandOver> m_handOver; // runs calls on the user-interface thread
    std::unique_ptr<TCustomTimer> m_pollTimer;
    std::unique_ptr<TTransmitter> m_transmitter;
    std::unique_ptr<TRequestThread> m_worker;
    std::unique_ptr<TLog> m_journal;
    std::atomic<int> m_journalRadix{16};
    std::atomic<qint64> m_journalLimit{kJournalLimit};
    std::mutex m_journalLock;
    bool m_journalFull = false;

    // The readings of the last command given on the user-interface thread.
    int m_lastCode = -1;
    TReadings m_lastReadings;

    TPortWatch m_portWatch;
    std::mutex m_portEventLock;
    TPortEventHandler m_portEvents;
    QString m_faultJournalFile;

    mutable std::mutex m_listLock; // device list and poll set
    std::vector<TListDevice> m_devices;
    TPollSet m_pollSet;
};

} // namespace tals
