#pragma once

// The bus scan and the address assignment by plant number, without a window.
// Both loops run on the calling thread one command at a time and let the
// caller process pending events before each command, so that a stop request
// given meanwhile is noticed. They change the device model's SystemAddress,
// SystemAddressNew and PlantNumber and leave restoring them to the caller.

#include <QString>

#include <functional>

namespace tals {

class Ttals352;

// One device that answered the scan.
struct TFoundDevice
{
    int Number = 0; // running number in this scan, from 1
    int Address = 0;
    int UnitType = 0;
    int PlantNumber = 0;
    int SoftVersion = 0;
    int HardVersion = 0;
    bool operator==(const TFoundDevice &) const = default;
};

class TBusScan
{
public:
    // Runs one command code; the result is not looked at.
    using TExecute = std::function<int(quint8 code)>;
    // A steady clock in milliseconds.
    using TClock = std::function<qint64()>;

    TBusScan(Ttals352 &model, TExecute execute);
    TBusScan(const TBusScan &) = delete;
    TBusScan &operator=(const TBusScan &) = delete;

    // Before each command: the progress position and the status text.
    std::function<void(int position, const QString &status)> OnStep;
    // A device answered the signature read.
    std::function<void(const TFoundDevice &device)> OnFound;
    // Lets the user interface process pending events (the stop buttons).
    std::function<void()> ProcessEvents;

    // Reads the signature (command 1) at every address from first to last; the
    // model's signature handler is installed only around each request.
    void Scan(int first, int last);
    // Sends the broadcast address command (80) for the plant numbers firstPlant
    // to lastPlant, giving them the addresses firstAddress, firstAddress + 1, ...
    void Assign(int firstAddress, int firstPlant, int lastPlant);

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
    void Begin(int commands);
    void End();
    // Lets events through; false when a stop was requested meanwhile.
    bool Yield();
    qint64 Now() const;

    Ttals352 &m_model;
    TExecute m_execute;
    TClock m_clock;
    bool m_stopRequested = true;
    bool m_busy = false;
    int m_found = 0;
    int m_total = 0;
    int m_done = 0;
    qint64 m_startMs = 0;
    qint64 m_worstCaseMs = 0;
};

// "5 с", "2 мин 05 с", "1 ч 02 мин"; empty for a negative time.
QString RemainingTimeText(qint64 ms);

} // namespace tals
