#include "ui/application/application.h"

#include "device/spectrum_recording.h"
#include "device/tals352.h"
#include "link/request_devices.h"
#include "link/tals352_link.h"
#include "link/transmitter.h"
#include "platform/dialogs.h"
#include "platform/paths.h"
#include "sim/line_layout.h"
#include "sim/sim_transducer.h"
#include "storage/archive.h"
#include "storage/archive_retention.h"
#include "storage/archive_settings.h"
#include "ui/application/central_objects.h"
#include "ui/application/event_loop_clock.h"
#include "ui/application/window_position.h"
#include "ui/procedures/array_readout.h"
#include "ui/reports/reports.h"
#include "ui/windows/form_main.h"

#include <QCoreApplication>
#include <QDir>

namespace tals {

TApplication::TApplication(const QStringList &arguments)
{
    // The archive settings come first once the archive exists.

    // The switches are evaluated before any window exists; every argument counts,
    // the folder options are the platform's.
    QStringList rest = arguments;
    const bool pathsOk = ApplyPathOptions(rest);
    m_options = ParseCommandLine(rest, m_modes);
    if (!pathsOk)
        m_options.Errors << QStringLiteral("--start-dir/--program-dir: нет папки");

    // The start folder (INI with WndPos.ini, Timer.ini, ComPort.ini) and the
    // program's own folder are recorded now.
    m_startDir = tals::StartDir();
    m_programDir = tals::ProgramDir();

    m_clock = std::make_unique<TEventLoopClock>();
}

TApplication::~TApplication()
{
    // The link stops after the main window has gone; the model outlives it.
    m_arrayReadout.reset();
    m_parameterFiles.reset();
    m_link.reset();
    if (m_scheduler)
        m_scheduler->StopLink();
    m_pollSelection.reset();
    m_scheduler.reset();
    if (m_simulator)
        m_simulator->Stop();
    m_simulator.reset();
    m_device.reset();
    m_linkDevice.reset();
    m_model.reset();
    m_archiveReadings.reset();
    m_archive.reset();
}

void TApplication::Start()
{
    if (m_scheduler)
        return;
    // 1. The archive root from bde.ini.
    const TArchiveSettings archiveSettings = LoadArchiveSettings(m_startDir);
    m_archive = std::make_unique<TArchive>(archiveSettings.dbPath);
    m_archive->SetFaultMessage(
        [](const QString &text) { Dialogs().Message(text, TDialogIcon::Error); });
    // The program keeps every day unless bde.ini sets KeepDays or MinFreeMB.
    if (const TRetentionPolicy policy = RetentionPolicyOf(archiveSettings, 0, 0); policy.Active())
        m_archive->SetRetention(
            std::make_unique<TArchiveRetention>(archiveSettings.dbPath, policy));
    m_archiveReadings = std::make_unique<TArchiveReadings>(*m_archive);

    // 2. The command line was evaluated at construction.

    // 3. The device model with its typical values; a single failure is reported.
    m_model = std::make_unique<Ttals352>(m_modes);
    m_model->SetErrorMax(1);
    m_linkDevice = std::make_unique<TModelLinkDevice>(*m_model);

    // 4. The link: poll timer, device list, port, worker, journal.
    QString port = m_options.Port;
    if (m_options.Simulate) {
        m_simulator = std::make_unique<TSimTransducer>();
        LayOutSimLine(*m_simulator, m_options.simulatedDevices, m_options.simulatedNamed);
        QString error;
        if (m_simulator->Start(&error)) {
            port = m_simulator->PortPath();
        } else {
            Dialogs().Message(QStringLiteral("Имитатор прибора не запущен: ") + error);
            m_simulator.reset();
        }
    }
    m_scheduler = std::make_unique<TRequestDevices>();
    // A port of the program's own replaces ComPort.ini's before the first
    // open, so the configured device is never touched.
    const TPortOpenResult opened =
        m_scheduler->StartLink(m_linkDevice.get(), [&port](TTransmitter &transmitter) {
            if (!port.isEmpty())
                transmitter.SetPort(port);
        });
    if (!opened)
        Dialogs().Message(opened.Message(), TDialogIcon::Error, AttentionCaption());
    else if (!opened.Warning.isEmpty()) // open, but the driver refused the RS-485 mode
        Dialogs().Message(opened.Warning, TDialogIcon::Warning, AttentionCaption());
    m_scheduler->SetArchive(m_archiveReadings.get());
    if (TTransmitter *transmitter = m_scheduler->Transmitter())
        transmitter->SetSetupDialogHook(&EditPortSettings);

    // 5. The report objects.
    Reports();

    m_device = std::make_unique<TTals352Device>(*m_model);
    auto link = std::make_unique<TSchedulerLink>(*m_scheduler, m_linkDevice.get());
    link->SetOpenFailure(opened ? QString() : opened.Reason);
    if (m_simulator)
        link->SetSimulatedPort(port);
    m_link = std::move(link);
    m_input = std::make_unique<TWidgetUserInput>();
    m_parameterFiles = std::make_unique<TModelParameterFiles>(*m_model);
    m_arrayReadout = std::make_unique<TDeviceArrayReadout>(*this);
    m_pollSelection = std::make_unique<TSchedulerPollSelection>(*m_scheduler);

    SetWindowFactory(
        QStringLiteral("FormSelectCMD"),
        [this](TFormMain &) -> QWidget * {
            auto *window = new TFormSelectCMD(*m_pollSelection, m_modes);
            RestoreWindowPlacement(*window, m_startDir);
            const QString startDir = m_startDir;
            QObject::connect(window, &TFormSelectCMD::Closing, window,
                             [startDir](QWidget *w) { SaveWindowPlacement(*w, startDir); });
            return window;
        },
        [](QWidget *window) {
            if (auto *select = qobject_cast<TFormSelectCMD *>(window))
                select->Refresh();
        });
}

TReports &TApplication::Reports()
{
    if (!m_reports)
        m_reports = std::make_unique<TReports>();
    return *m_reports;
}

TSpectrumRecording &TApplication::SpectrumRecording()
{
    if (!m_spectrumRecording)
        m_spectrumRecording = std::make_unique<TSpectrumRecording>();
    return *m_spectrumRecording;
}

QString TApplication::TimerIniPath() const
{
    return IniFilePath(m_startDir, QStringLiteral("Timer.ini"));
}

void TApplication::SetDevice(std::unique_ptr<TMainDevice> device)
{
    if (device)
        m_device = std::move(device);
}

void TApplication::SetLink(std::unique_ptr<TDeviceLink> link)
{
    if (link)
        m_link = std::move(link);
}

void TApplication::SetInput(std::unique_ptr<TUserInput> input)
{
    if (input)
        m_input = std::move(input);
}

void TApplication::SetClock(std::unique_ptr<TWaitClock> clock)
{
    if (clock)
        m_clock = std::move(clock);
}

void TApplication::SetParameterFiles(std::unique_ptr<TParameterFiles> files)
{
    m_parameterFiles = std::move(files);
}

void TApplication::SetArrayReadout(std::unique_ptr<TArrayReadout> readout)
{
    m_arrayReadout = std::move(readout);
}

void TApplication::SetWindowFactory(const QString &name, TWindowFactory factory,
                                    TWindowRefresher refresher)
{
    m_factories[name] = {std::move(factory), std::move(refresher)};
}

} // namespace tals
