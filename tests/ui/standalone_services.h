#pragma once

// Stand-ins for the central objects, for tests that run the main window or
// the operator procedures without the register model or a serial link.

#include "ui/application/main_services.h"

#include <QHash>
#include <QTimer>

#include <deque>
#include <vector>

namespace tals {

// A timer on a QTimer; its state and interval persist in the given Timer.ini
// section (when a file name is given).
class TPlainTimer : public TTimerControl
{
public:
    explicit TPlainTimer(const QString &name, const QString &iniPath = QString());

    QString Name() const { return m_name; }

    void Start() override;
    void Stop() override;
    void SetPaused(bool paused) override;
    bool IsEnabled() const override { return m_timer.isActive(); }
    int Interval() const override { return m_timer.interval(); }
    void SetInterval(int milliseconds) override;
    void LoadFromIni() override;
    void SaveToIni() override;
    void SetTickHandler(std::function<void()> handler) override;
    void SetStateChangeHandler(std::function<void()> handler)
    {
        m_onStateChange = std::move(handler);
    }

    // Runs the tick handler as if the timer had fired.
    void Fire();

private:
    void SetEnabled(bool enabled);

    QString m_name;
    QString m_iniPath;
    QTimer m_timer;
    std::function<void()> m_onTick;
    std::function<void()> m_onStateChange;
};

// A link without a port: every command fails with -1, the device list holds the
// transducer, polling steps do nothing.
class TOfflineLink : public TDeviceLink
{
public:
    explicit TOfflineLink(const QString &timerIniPath = QString());

    TExchangeOutcome ExecuteCommand(quint8) override { return {}; }
    void ArchiveReadings(quint8) override {}
    bool AnyDeviceEnabled() const override { return true; }
    void ResumeWorker() override {}
    void SetJournalRadix(int radix) override { m_radix = radix; }
    int JournalRadix() const override { return m_radix; }
    TTimerControl &PollTimer() override { return m_pollTimer; }
    void ChangePortSettings() override {}
    TPortStatus PortStatus() const override { return {QStringLiteral("COM1"), false, {}, false}; }

private:
    int m_radix = 16;
    TPlainTimer m_pollTimer;
};

// A link that records the commands and answers them from a script.
class TScriptedLink : public TDeviceLink
{
public:
    explicit TScriptedLink(const QString &timerIni = QString())
        : timer(QStringLiteral("ctReqDevices"), timerIni)
    {
        timer.LoadFromIni(); // as the link's start does
    }

    TExchangeOutcome ExecuteCommand(quint8 code) override
    {
        commands.push_back(code);
        if (onCommand)
            onCommand(code);
        TExchangeOutcome outcome;
        outcome.Result = defaultResult;
        if (!results.empty()) {
            outcome.Result = results.front();
            results.pop_front();
        }
        outcome.Status = outcome.Result == 0    ? TExchangeStatus::Ok
                         : outcome.Result == -1 ? TExchangeStatus::NoAnswer
                                                : TExchangeStatus::DeviceStatus;
        return outcome;
    }
    void ArchiveReadings(quint8 code) override { archived.push_back(code); }
    bool AnyDeviceEnabled() const override { return anyEnabled; }
    void ResumeWorker() override { ++resumes; }
    void SetJournalRadix(int r) override { radix = r; }
    int JournalRadix() const override { return radix; }
    TTimerControl &PollTimer() override { return timer; }
    void ChangePortSettings() override { ++portChanges; }
    TPortStatus PortStatus() const override { return port; }

    TPlainTimer timer;
    std::vector<int> commands;
    std::deque<int> results;
    int defaultResult = 0;
    bool anyEnabled = true;
    int resumes = 0;
    int radix = 0;
    int portChanges = 0;
    std::vector<int> archived;
    std::function<void(int)> onCommand;
    TPortStatus port{QStringLiteral("/dev/ttyUSB0"), true, {}, false};
};

// A clock that does not wait: it adds up the time it was asked to wait.
class TInstantClock : public TWaitClock
{
public:
    void Wait(int milliseconds) override
    {
        waits.push_back(milliseconds);
        total += milliseconds;
    }
    std::vector<int> waits;
    long long total = 0;
};

// A device model of plain named values, for running without the register model.
class TMemoryDevice : public TMainDevice
{
public:
    TMemoryDevice();

    bool NewSoftware() const override { return Value("SoftVersionNumber") > 1; }
    int LinkState() const override { return int(Value("LinkState")); }
    int ErrorCode() const override { return int(Value("ErrorCode")); }
    bool IsFullAccess() const override { return Value("Password") == 24680; }
    void OpenFullAccess() override { SetValue("Password", 24680); }
    void CloseFullAccess() override { SetValue("Password", 0); }
    double Value(const QString &property) const override { return m_values.value(property); }
    void SetValue(const QString &property, double value) override { m_values[property] = value; }
    QString Text(const QString &property) const override { return m_texts.value(property); }
    void SetText(const QString &property, const QString &text) override
    {
        m_texts[property] = text;
    }
    void SetDisplayRange(const QString &holder, double minimum, double maximum) override
    {
        m_values[holder + ".Minimum"] = minimum;
        m_values[holder + ".Maximum"] = maximum;
    }
    void SetAddressReadHandler(std::function<void(int, bool)> handler) override
    {
        m_onReadAddress = std::move(handler);
    }
    // Calls the address-read handler as the answer parser would.
    void ReportAddress(int address, bool matches)
    {
        if (m_onReadAddress)
            m_onReadAddress(address, matches);
    }

private:
    QHash<QString, double> m_values;
    QHash<QString, QString> m_texts;
    std::function<void(int, bool)> m_onReadAddress;
};

// Value entry through the text input of the dialog service; no progress window.
class TTextUserInput : public TUserInput
{
public:
    bool TryInputInteger(const QString &caption, const QString &prompt, int &value, int minimum,
                         int maximum) override;
    bool TryInputDouble(const QString &caption, const QString &prompt, int decimals, double &value,
                        double minimum, double maximum) override;
    void ShowProgress(const QString &, int, int) override {}
    void CloseProgress() override {}
};

} // namespace tals
