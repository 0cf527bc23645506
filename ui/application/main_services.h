#pragma once

// The small interfaces through which the main window reaches the device model,
// the link, the timers and the operator dialogs. The application object plugs in
// the real objects; the tests plug in fakes.

#include "device/exchange_outcome.h"

#include <QString>

#include <functional>

namespace tals {

class Ttals352;

// What the main window reads and sets on the device model. Properties are named
// as on the model ("Hmax", "ValueDigits", "PlantNumber", "PPMNumberText").
class TMainDevice
{
public:
    virtual ~TMainDevice() = default;

    virtual bool NewSoftware() const = 0;
    virtual int LinkState() const = 0;
    // The exchange status of the last answer: 0, -1 for no answer, or the
    // device's error code.
    virtual int ErrorCode() const = 0;
    virtual bool IsFullAccess() const = 0;
    virtual void OpenFullAccess() = 0;
    virtual void CloseFullAccess() = 0;

    // A numeric property, through its range-checked setter.
    virtual double Value(const QString &property) const = 0;
    virtual void SetValue(const QString &property, double value) = 0;
    // A text property.
    virtual QString Text(const QString &property) const = 0;
    virtual void SetText(const QString &property, const QString &text) = 0;

    // The display range of a reading holder ("LevelBusy", "LevelFree", "Distance").
    virtual void SetDisplayRange(const QString &holder, double minimum, double maximum) = 0;

    // The handler the answer parser calls with the address read back from the
    // device and whether it matches; an empty function removes it.
    virtual void SetAddressReadHandler(std::function<void(int address, bool matches)> handler) = 0;
};

// A timer whose state and interval persist in Timer.ini.
class TTimerControl
{
public:
    virtual ~TTimerControl() = default;

    virtual void Start() = 0; // enable and notify
    virtual void Stop() = 0;  // disable and notify
    virtual void SetPaused(bool paused) = 0;
    virtual bool IsEnabled() const = 0;
    virtual int Interval() const = 0;
    virtual void SetInterval(int milliseconds) = 0;
    virtual void LoadFromIni() = 0;
    virtual void SaveToIni() = 0;
    virtual void SetTickHandler(std::function<void()> handler) = 0;
};

// The serial port as the status bar shows it.
struct TPortStatus
{
    QString Port;      // the port's name ("/dev/ttyUSB0", "COM1")
    bool Open = false; // whether exchanges can be made
    QString Reason;    // why it is not open, when known
    bool Simulated = false;
    bool Lost = false; // it went away while in use and is tried again
};

// The device link as the main window uses it.
class TDeviceLink
{
public:
    virtual ~TDeviceLink() = default;

    // What the command came to; its Result is 0 on success, -1 for no
    // answer, otherwise the model's error code.
    virtual TExchangeOutcome ExecuteCommand(quint8 code) = 0;
    // The same exchange with the request built from and the answer decoded
    // into another model than the shown one, which stays untouched; no
    // answer when the link cannot do that.
    virtual TExchangeOutcome ExecuteCommandInto(Ttals352 &model, quint8 code)
    {
        (void)model;
        (void)code;
        return {};
    }
    virtual void ArchiveReadings(quint8 code) = 0;
    virtual bool AnyDeviceEnabled() const = 0;
    // Lets the worker run one polling step (under the request lock).
    virtual void ResumeWorker() = 0;
    virtual void SetJournalRadix(int radix) = 0;
    virtual int JournalRadix() const = 0;
    virtual TTimerControl &PollTimer() = 0;
    // Close the port, reload its settings, let the operator edit them, store, reopen.
    virtual void ChangePortSettings() = 0;
    virtual TPortStatus PortStatus() const = 0;
};

// Waits of the operator procedures. The program's clock lets the user
// interface repaint and its timers run while it waits; the tests' clock
// returns at once and notes the time waited.
class TWaitClock
{
public:
    virtual ~TWaitClock() = default;
    virtual void Wait(int milliseconds) = 0;
};

// The operator dialogs the main window's commands need.
class TUserInput
{
public:
    virtual ~TUserInput() = default;

    // Integer entry; false when cancelled. On OK value is brought into [minimum, maximum].
    virtual bool TryInputInteger(const QString &caption, const QString &prompt, int &value,
                                 int minimum, int maximum) = 0;
    // Real entry with the given decimals; false when cancelled.
    virtual bool TryInputDouble(const QString &caption, const QString &prompt, int decimals,
                                double &value, double minimum, double maximum) = 0;
    virtual void ShowProgress(const QString &text, int position, int maximum) = 0;
    virtual void CloseProgress() = 0;
};

// The device parameter files.
class TParameterFiles
{
public:
    virtual ~TParameterFiles() = default;
    // Both with the operator's questions and file dialogs.
    virtual void Load() = 0;
    virtual void Save() = 0;
};

// What the array readout asks of the main window: a command with retries and
// the progress window, and running an action by name ("actSignalShow").
struct TArrayReadoutHost
{
    std::function<bool(quint8 code, const QString &text, int attempts)> ExecuteWithRetries;
    std::function<void(const QString &action)> ExecuteAction;
};

// The readout of the device's diagnostic arrays and their dumps.
class TArrayReadout
{
public:
    virtual ~TArrayReadout() = default;
    // Without a host the readout retries by itself and shows no window.
    virtual void SetHost(TArrayReadoutHost host) { (void)host; }
    // Dump counters 0 and series times now.
    virtual void ResetSeries() = 0;
    // Reads the signal and dumps it; the interactive form reports the result.
    virtual void ReadSignal(bool interactive) = 0;
    virtual void ReadSpectrum() = 0;
    // Reads the residual array (no dump) and shows it.
    virtual void ReadResidual() {}
};

} // namespace tals
