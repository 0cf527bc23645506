#include "ui/application/central_objects.h"

#include "device/register_table.h"
#include "device/tals352.h"
#include "link/custom_timer.h"
#include "link/request_devices.h"
#include "link/transmitter.h"
#include "platform/dialogs.h"
#include "platform/ini_file.h"
#include "storage/archive.h"
#include "storage/parameter_file.h"
#include "ui/dialogs/form_input_double.h"
#include "ui/dialogs/form_input_integer.h"
#include "ui/dialogs/form_port_setup.h"
#include "ui/dialogs/form_progress_bar.h"

namespace tals {

// ---- the transducer model ----

bool TTals352Device::NewSoftware() const
{
    return m_model.NewSoftware();
}

int TTals352Device::LinkState() const
{
    return int(m_model.LinkState().Value().ToInteger());
}

int TTals352Device::ErrorCode() const
{
    return m_model.ErrorCode();
}

bool TTals352Device::IsFullAccess() const
{
    return m_model.IsFullAccess();
}

void TTals352Device::OpenFullAccess()
{
    m_model.OpenFullAccess();
}

void TTals352Device::CloseFullAccess()
{
    m_model.CloseFullAccess();
}

double TTals352Device::Value(const QString &property) const
{
    if (const TPropertyInfo *info = FindPropertyByName(property.toLatin1().constData()))
        return m_model.PropertyAsDouble(info->Id);
    if (TIODouble *holder = m_model.FindReading(property))
        return holder->Output().ToDouble();
    return 0;
}

void TTals352Device::SetValue(const QString &property, double value)
{
    if (const TPropertyInfo *info = FindPropertyByName(property.toLatin1().constData()))
        m_model.SetPropertyFromDouble(info->Id, value);
}

QString TTals352Device::Text(const QString &property) const
{
    if (property == QLatin1String("PPMNumberText"))
        return m_model.PPMNumberText;
    if (property == QLatin1String("OrderNumber"))
        return m_model.OrderNumber;
    return {};
}

void TTals352Device::SetText(const QString &property, const QString &text)
{
    if (property == QLatin1String("PPMNumberText"))
        m_model.PPMNumberText = text;
    else if (property == QLatin1String("OrderNumber"))
        m_model.OrderNumber = text;
}

void TTals352Device::SetDisplayRange(const QString &holder, double minimum, double maximum)
{
    if (TIODouble *h = m_model.FindReading(holder))
        h->Description().SetRange(minimum, maximum);
}

void TTals352Device::SetAddressReadHandler(std::function<void(int, bool)> handler)
{
    if (!handler) {
        m_model.OnReadAddress = nullptr;
        return;
    }
    m_model.OnReadAddress = [handler](Ttals352 *, quint16 address, bool matches) {
        handler(address, matches);
    };
}

// ---- the link ----

TCustomTimerControl::~TCustomTimerControl()
{
    QObject::disconnect(m_tick);
}

void TCustomTimerControl::Start()
{
    if (m_timer)
        m_timer->Start();
}

void TCustomTimerControl::Stop()
{
    if (m_timer)
        m_timer->Stop();
}

void TCustomTimerControl::SetPaused(bool paused)
{
    if (m_timer)
        m_timer->SetPaused(paused);
}

bool TCustomTimerControl::IsEnabled() const
{
    return m_timer && m_timer->IsEnabled();
}

int TCustomTimerControl::Interval() const
{
    return m_timer ? m_timer->interval() : 0;
}

void TCustomTimerControl::SetInterval(int milliseconds)
{
    if (m_timer)
        m_timer->setInterval(milliseconds);
}

void TCustomTimerControl::LoadFromIni()
{
    if (m_timer)
        m_timer->LoadFromIni();
}

void TCustomTimerControl::SaveToIni()
{
    if (m_timer)
        m_timer->SaveToIni();
}

void TCustomTimerControl::SetTickHandler(std::function<void()> handler)
{
    QObject::disconnect(m_tick);
    if (m_timer && handler)
        m_tick = QObject::connect(m_timer, &QTimer::timeout, m_timer, std::move(handler));
}

Ttals352::TRequest TModelLinkDevice::BuildRequest(quint8 code)
{
    return Current().BuildRequest(code);
}

TDecoded TModelLinkDevice::ParseAnswer(const TFrame &request, const TBuffer &answer, quint8 code)
{
    return Current().ParseAnswer(request, answer, code);
}

TDecoded TModelLinkDevice::ParseZelvinAnswer(const TBuffer &answer)
{
    return Current().ParseZelvinAnswer(answer);
}

TDecoded TModelLinkDevice::ParseLineFailure(const QString &text)
{
    return Current().ParseLineFailure(text);
}

TSchedulerLink::TSchedulerLink(TRequestDevices &scheduler, TModelLinkDevice *device)
    : m_scheduler(scheduler), m_device(device), m_pollTimer(scheduler.PollTimer())
{}

namespace {

TExchangeOutcome Warned(TExchangeOutcome outcome)
{
    if (!outcome.Warning.isEmpty())
        Dialogs().Message(outcome.Warning, TDialogIcon::Warning, AttentionCaption());
    return outcome;
}

} // namespace

TExchangeOutcome TSchedulerLink::ExecuteCommand(quint8 code)
{
    return Warned(m_scheduler.ExecuteCommand(code));
}

TExchangeOutcome TSchedulerLink::ExecuteCommandInto(Ttals352 &model, quint8 code)
{
    if (!m_device)
        return {};
    return Warned(m_device->With(model, [&] { return m_scheduler.ExecuteCommand(code); }));
}

void TSchedulerLink::ArchiveReadings(quint8 code)
{
    m_scheduler.ArchiveReadings(code);
}

bool TSchedulerLink::AnyDeviceEnabled() const
{
    return m_scheduler.AnyDeviceEnabled();
}

void TSchedulerLink::ResumeWorker()
{
    if (TRequestThread *worker = m_scheduler.Worker()) {
        std::lock_guard lock(worker->RequestLock());
        worker->Resume();
    }
}

void TSchedulerLink::SetJournalRadix(int radix)
{
    m_scheduler.SetJournalRadix(radix);
}

int TSchedulerLink::JournalRadix() const
{
    return m_scheduler.JournalRadix();
}

void TSchedulerLink::ChangePortSettings()
{
    TTransmitter *port = m_scheduler.Transmitter();
    if (!port)
        return;
    const bool simulated = !m_simulatedPort.isEmpty();
    port->Close();
    port->LoadSettings();
    // The port the settings hold: without a key, the default one.
    const QString storedPort =
        TIniFile(port->IniFileName())
            .ReadString(port->Name(), QStringLiteral("Port"), TPortSettings{}.Port);
    if (simulated)
        port->SetPort(storedPort);
    port->ShowSetupDialog();
    if (simulated && port->Port() == m_simulatedPort)
        port->SetPort(storedPort);
    port->SaveSettings();
    if (simulated)
        port->SetPort(m_simulatedPort);
    m_scheduler.ResetPortWatch();
    const TPortOpenResult opened = port->Open();
    m_openFailure = opened ? QString() : opened.Reason;
    if (!opened)
        Dialogs().Message(opened.Message(), TDialogIcon::Error, AttentionCaption());
    else if (!opened.Warning.isEmpty())
        Dialogs().Message(opened.Warning, TDialogIcon::Warning, AttentionCaption());
}

TPortStatus TSchedulerLink::PortStatus() const
{
    TPortStatus status;
    status.Simulated = !m_simulatedPort.isEmpty();
    if (const TTransmitter *port = m_scheduler.Transmitter()) {
        status.Port = port->Port();
        status.Open = port->Connected();
    }
    status.Lost = !status.Open && m_scheduler.PortLost();
    if (status.Lost)
        status.Reason = m_scheduler.PortLossReason();
    else if (!status.Open)
        status.Reason = m_openFailure;
    return status;
}

bool EditPortSettings(TPortSettings &settings, const QStringList &ports)
{
    TPortSetupValues values;
    values.Port = settings.Port;
    values.BaudRate = BaudRateToStr(settings.BaudRate);
    values.DataBits = DataBitsToStr(settings.DataBits);
    values.StopBits = StopBitsToStr(settings.StopBits);
    values.Parity = ParityToStr(settings.Parity);
    values.FlowControl = FlowControlToStr(settings.FlowControl);
    values.FrameEnd = FrameEndToStr(settings.FrameEnd);
    values.LocalEcho = settings.LocalEcho;
    values.Rs485 = settings.Rs485;
    if (!ShowPortSetupDialog(values, ports))
        return false;
    settings.Port = values.Port;
    // A text the port does not know keeps the setting it had.
    StrToBaudRate(values.BaudRate, settings.BaudRate);
    StrToDataBits(values.DataBits, settings.DataBits);
    StrToStopBits(values.StopBits, settings.StopBits);
    StrToParity(values.Parity, settings.Parity);
    StrToFlowControl(values.FlowControl, settings.FlowControl);
    StrToFrameEnd(values.FrameEnd, settings.FrameEnd);
    settings.LocalEcho = values.LocalEcho;
    settings.Rs485 = values.Rs485;
    return true;
}

void TSchedulerPollSelection::SetPolled(int code, bool polled)
{
    if (code >= 0 && code <= 255)
        m_scheduler.SetPolled(quint8(code), polled);
}

void TSchedulerPollSelection::SetCurrentMeterPolled(bool polled)
{
    m_scheduler.SetDeviceEnabled(1, polled);
}

// ---- dialogs, files, archive ----

bool TWidgetUserInput::TryInputInteger(const QString &caption, const QString &prompt, int &value,
                                       int minimum, int maximum)
{
    return tals::TryInputInteger(caption, prompt, value, minimum, maximum);
}

bool TWidgetUserInput::TryInputDouble(const QString &caption, const QString &prompt, int decimals,
                                      double &value, double minimum, double maximum)
{
    return tals::TryInputDouble(caption, prompt, decimals, value, minimum, maximum);
}

void TWidgetUserInput::ShowProgress(const QString &text, int position, int maximum)
{
    tals::ShowProgress(text, position, maximum);
}

void TWidgetUserInput::CloseProgress()
{
    tals::CloseProgress();
}

void TModelParameterFiles::Load()
{
    LoadParameterFile(m_model, Dialogs());
}

void TModelParameterFiles::Save()
{
    SaveParameterFile(m_model, Dialogs());
}

void TArchiveReadings::Append(const QString &name, double value, TDateTime time, int)
{
    // The archive keeps each quantity's decimals itself.
    m_archive.Append(name, value, time);
}

} // namespace tals
