#pragma once

// The bus scan and the address assignment by plant number, without a window,
// used by the program's scan window and by the command-line tool. Both loops
// run on the calling thread one command at a time and let the caller process
// pending events before each command, so that a stop request given meanwhile
// is noticed. They borrow the device model's SystemAddress, SystemAddressNew
// and PlantNumber (a signature read also overwrites the versions and the
// signature) and give the model its own identity back when they end.

#include "device/tals352.h"

#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace tals {

// One device that answered the scan, or an address whose answer was garbled.
struct TFoundDevice
{
    int Number = 0; // running number in this scan, from 1
    int Address = 0;
    int UnitType = 0;
    int PlantNumber = 0;
    int SoftVersion = 0;
    int HardVersion = 0;
    // A bad checksum or a wrong length: probably several devices answered at
    // once; only Number and Address are set then.
    bool Corrupted = false;
    bool operator==(const TFoundDevice &) const = default;
};

// "возможно, несколько приборов на адресе N"
QString CorruptedAddressText(int address);

// A target address held by another device than the one to be moved there.
struct TOccupiedAddress
{
    int Address = 0;
    int PlantNumber = 0;    // of the device answering there
    bool Corrupted = false; // a garbled answer: probably several devices
    bool operator==(const TOccupiedAddress &) const = default;
};

// "Адрес 3 занят прибором 1236", or for a garbled answer
// "Адрес 3 занят: возможно, несколько приборов на адресе 3".
QString OccupiedText(const TOccupiedAddress &occupied);

// What the signature read at the new address said after one broadcast.
enum class TAssignOutcome {
    Confirmed,   // the device with this plant number answered
    NoAnswer,    // silence, though the last scan had found this plant number
    Absent,      // silence, and no scan found this plant number on the line
    OtherDevice, // a device with another plant number answered
    Corrupted,   // a garbled answer: probably two devices at the address
};

struct TAssignResult
{
    int PlantNumber = 0;
    int Address = 0;
    TAssignOutcome Outcome = TAssignOutcome::Absent;
    int AnsweredPlant = 0; // for OtherDevice
    bool operator==(const TAssignResult &) const = default;
};

// "подтвержден", "нет ответа", "нет на линии", "ответил прибор 1236",
// "искаженный ответ: возможно, несколько приборов на адресе 3".
QString AssignOutcomeText(const TAssignResult &result);
// "ok", "no-answer", "absent", "other-device", "corrupted".
QString AssignOutcomeKey(TAssignOutcome outcome);

// The identity of the device the model stands for, kept over a scan.
struct TDeviceIdentity
{
    quint8 SystemAddress = 1;
    quint8 SystemAddressNew = 1;
    quint16 PlantNumber = 0;
    quint8 HardVersion = 0;
    quint8 SoftVersion = 0;
    TTals35xISignature Signature;

    static TDeviceIdentity Of(Ttals352 &model);
    void RestoreInto(Ttals352 &model) const;
};

class TBusScan
{
public:
    // Runs one command code; the scan reads the outcome from the model.
    using TExecute = std::function<int(quint8 code)>;
    // A steady clock in milliseconds.
    using TClock = std::function<qint64()>;

    TBusScan(Ttals352 &model, TExecute execute);
    TBusScan(const TBusScan &) = delete;
    TBusScan &operator=(const TBusScan &) = delete;

    // Before each command: the progress position and the status text.
    std::function<void(int position, const QString &status)> OnStep;
    // A device answered the signature read, or its answer was garbled.
    std::function<void(const TFoundDevice &device)> OnFound;
    // One plant number's broadcast was read back at its new address.
    std::function<void(const TAssignResult &result)> OnAssigned;
    // Lets the user interface process pending events (the stop buttons).
    std::function<void()> ProcessEvents;

    // Reads the signature (command 1) at every address from first to last; the
    // model's signature handler is installed only around each request.
    void Scan(int first, int last);
    // The devices the last scan listed, and its address range.
    const std::vector<TFoundDevice> &LastScan() const { return m_lastScan; }
    bool Scanned() const { return m_scanned; }
    // The devices of the last scan within first..last.
    std::vector<TFoundDevice> LastScanWithin(int first, int last) const;

    // Reads the signature at each address the plant numbers firstPlant to
    // lastPlant would take from firstAddress on, and returns those held by a
    // device other than the one to be moved there (or answering garbled).
    std::vector<TOccupiedAddress> CheckTargets(int firstAddress, int firstPlant, int lastPlant);
    // Sends the broadcast address command (80) for the plant numbers firstPlant
    // to lastPlant, giving them the addresses firstAddress, firstAddress + 1, ...,
    // and reads each back at its new address. The model's device, when it is
    // among them and confirmed, is addressed at its new address afterwards.
    std::vector<TAssignResult> Assign(int firstAddress, int firstPlant, int lastPlant);

    // Ends the running loop after its current command.
    void RequestStop() { m_stopRequested = true; }
    bool StopRequested() const { return m_stopRequested; }
    // A loop is on the stack (it may already have been asked to stop).
    bool Busy() const { return m_busy; }
    int Found() const { return m_found; }

    // The time the running loop still needs, estimated from the commands done
    // so far, or before the first from the worst case of one command; -1 when
    // nothing is known.
    qint64 RemainingMs() const;
    void SetClock(TClock clock) { m_clock = std::move(clock); }
    // The longest one command can take (write plus the read time-out), 0 unknown.
    void SetWorstCaseCommandMs(qint64 ms) { m_worstCaseMs = ms; }

private:
    // What one signature read at the model's present address found.
    struct TProbe
    {
        enum { Silent, Device, Corrupted, Failed } Kind = Silent;
        TFoundDevice Found;
    };
    TProbe Probe();
    void Begin(int commands);
    void End();
    // Lets events through; false when a stop was requested meanwhile.
    bool Yield();
    qint64 Now() const;

    Ttals352 &m_model;
    TExecute m_execute;
    TClock m_clock;
    TDeviceIdentity m_identity;
    bool m_stopRequested = true;
    bool m_busy = false;
    int m_found = 0;
    int m_total = 0;
    int m_done = 0;
    qint64 m_startMs = 0;
    qint64 m_worstCaseMs = 0;
    std::vector<TFoundDevice> m_lastScan;
    bool m_scanned = false;
};

// "5 с", "2 мин 05 с", "1 ч 02 мин"; empty for a negative time.
QString RemainingTimeText(qint64 ms);

} // namespace tals
