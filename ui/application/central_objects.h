#pragma once

// The main window's interfaces over the real central objects: the transducer
// model, the request scheduler with its poll timer, the widget dialogs, the
// parameter files and the archive.

#include "link/reading_archive.h"
#include "link/tals352_link.h"
#include "ui/application/main_services.h"
#include "ui/dialogs/form_select_cmd.h"

#include <QMetaObject>

namespace tals {

class TArchive;
class TCustomTimer;
struct TPortSettings;
class TRequestDevices;
class Ttals352;

// The model's properties by their table names; the reading holders by theirs.
class TTals352Device : public TMainDevice
{
public:
    explicit TTals352Device(Ttals352 &model) : m_model(model) {}

    bool NewSoftware() const override;
    int LinkState() const override;
    int ErrorCode() const override;
    bool IsFullAccess() const override;
    void OpenFullAccess() override;
    void CloseFullAccess() override;
    double Value(const QString &property) const override;
    void SetValue(const QString &property, double value) override;
    QString Text(const QString &property) const override;
    void SetText(const QString &property, const QString &text) override;
    void SetDisplayRange(const QString &holder, double minimum, double maximum) override;
    void SetAddressReadHandler(std::function<void(int, bool)> handler) override;

private:
    Ttals352 &m_model;
};

// A persisted timer of the link.
class TCustomTimerControl : public TTimerControl
{
public:
    explicit TCustomTimerControl(TCustomTimer *timer) : m_timer(timer) {}
    ~TCustomTimerControl() override;

    void Start() override;
    void Stop() override;
    void SetPaused(bool paused) override;
    bool IsEnabled() const override;
    int Interval() const override;
    void SetInterval(int milliseconds) override;
    void LoadFromIni() override;
    void SaveToIni() override;
    void SetTickHandler(std::function<void()> handler) override;

private:
    TCustomTimer *m_timer; // the scheduler's; null once the link has stopped
    QMetaObject::Connection m_tick;
};

// The shown model as the scheduler sees it. For one exchange at a time of the
// user-interface thread another model can take its place: the request is
// built from that model and the answer decoded into it, the shown model is
// not touched. Polling steps never meet the other model, since the
// user-interface thread serves none of their calls during such an exchange.
class TModelLinkDevice : public TLinkDevice
{
public:
    explicit TModelLinkDevice(Ttals352 &shown) : m_shown(shown) {}

    Ttals352::TRequest BuildRequest(quint8 code) override;
    TDecoded ParseAnswer(const TFrame &request, const TBuffer &answer, quint8 code) override;
    TDecoded ParseZelvinAnswer(const TBuffer &answer) override;
    TDecoded ParseLineFailure(const QString &text) override;
    bool Enabled() const override { return m_shown.Enabled(); }
    QString Caption() const override { return m_shown.Caption(); }

    // Runs the exchange with `model` in the shown model's place.
    template <class F> TExchangeOutcome With(Ttals352 &model, F exchange)
    {
        TTals352Link other(model);
        m_other = &other;
        TExchangeOutcome result;
        try {
            result = exchange();
        } catch (...) {
        }
        m_other = nullptr;
        return result;
    }

private:
    TLinkDevice &Current() { return m_other ? *m_other : static_cast<TLinkDevice &>(m_shown); }

    TTals352Link m_shown;
    TTals352Link *m_other = nullptr;
};

// The request scheduler as the main window's link.
class TSchedulerLink : public TDeviceLink
{
public:
    // Without a model device the link cannot read into another model.
    explicit TSchedulerLink(TRequestDevices &scheduler, TModelLinkDevice *device = nullptr);

    // A request's warning is shown before its exchange's outcome is returned.
    TExchangeOutcome ExecuteCommand(quint8 code) override;
    TExchangeOutcome ExecuteCommandInto(Ttals352 &model, quint8 code) override;
    void ArchiveReadings(quint8 code) override;
    bool AnyDeviceEnabled() const override;
    void ResumeWorker() override;
    void SetJournalRadix(int radix) override;
    int JournalRadix() const override;
    TTimerControl &PollTimer() override { return m_pollTimer; }
    // In a simulated run the link stays on the simulated transducer and its
    // pseudo-terminal never goes into ComPort.ini.
    void ChangePortSettings() override;
    TPortStatus PortStatus() const override;

    // Why the port did not open at start-up (empty when it did).
    void SetOpenFailure(const QString &reason) { m_openFailure = reason; }
    // The simulated transducer's pseudo-terminal (empty for a real port).
    void SetSimulatedPort(const QString &port) { m_simulatedPort = port; }

private:
    TRequestDevices &m_scheduler;
    TModelLinkDevice *m_device;
    TCustomTimerControl m_pollTimer;
    QString m_openFailure;
    QString m_simulatedPort;
};

// What the command selection window switches, on the scheduler.
class TSchedulerPollSelection : public TPollSelection
{
public:
    explicit TSchedulerPollSelection(TRequestDevices &scheduler) : m_scheduler(scheduler) {}
    void SetPolled(int code, bool polled) override;
    void SetCurrentMeterPolled(bool polled) override;

private:
    TRequestDevices &m_scheduler;
};

// The value-entry dialogs and the progress window.
class TWidgetUserInput : public TUserInput
{
public:
    bool TryInputInteger(const QString &caption, const QString &prompt, int &value, int minimum,
                         int maximum) override;
    bool TryInputDouble(const QString &caption, const QString &prompt, int decimals, double &value,
                        double minimum, double maximum) override;
    void ShowProgress(const QString &text, int position, int maximum) override;
    void CloseProgress() override;
};

class TModelParameterFiles : public TParameterFiles
{
public:
    explicit TModelParameterFiles(Ttals352 &model) : m_model(model) {}
    void Load() override;
    void Save() override;

private:
    Ttals352 &m_model;
};

// Polled readings into the measurement archive.
class TArchiveReadings : public TReadingArchive
{
public:
    explicit TArchiveReadings(TArchive &archive) : m_archive(archive) {}
    void Append(const QString &name, double value, TDateTime time, int decimals) override;

private:
    TArchive &m_archive;
};

// The port settings dialog for the transmitter's setup hook.
bool EditPortSettings(TPortSettings &settings, const QStringList &ports);

} // namespace tals
