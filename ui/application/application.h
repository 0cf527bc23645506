#pragma once

// The one object that owns the program's central objects for the whole run and
// hands them out: the operating modes, the device model, the link with its poll
// timer, the parameter files, the array readout and the operator dialogs.

#include "device/program_modes.h"
#include "ui/application/command_line.h"
#include "ui/application/main_services.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QWidget;

namespace tals {

class TArchive;
class TArchiveReadings;
class TFormMain;
class TReports;
class TRequestDevices;
class TSchedulerPollSelection;
class TSimTransducer;
class TSpectrumRecording;
class TModelLinkDevice;
class Ttals352;

class TApplication
{
public:
    // Evaluates the command line and records the start and program folders.
    // The device model, the link and the value entry exist once Start has run
    // (or once they are given with the Set calls).
    explicit TApplication(const QStringList &arguments);
    // Stops the link.
    ~TApplication();

    // The program's start before the main window: the archive settings, the
    // device model, the link (port from ComPort.ini, or the --port device, or
    // the simulated transducer with --simulate), the command selection window's
    // factory.
    void Start();

    TApplication(const TApplication &) = delete;
    TApplication &operator=(const TApplication &) = delete;

    TProgramModes &Modes() { return m_modes; }
    const TCommandLineOptions &Options() const { return m_options; }
    // The folder whose INI subfolder holds WndPos.ini, Timer.ini and ComPort.ini.
    QString StartDir() const { return m_startDir; }
    // The program's own folder (Parameters.ini, device folders).
    QString ProgramDir() const { return m_programDir; }
    QString TimerIniPath() const;

    TMainDevice &Device() { return *m_device; }
    TDeviceLink &Link() { return *m_link; }
    TUserInput &Input() { return *m_input; }
    TWaitClock &Clock() { return *m_clock; }
    TParameterFiles *ParameterFiles() { return m_parameterFiles.get(); }
    TArrayReadout *ArrayReadout() { return m_arrayReadout.get(); }
    // The real objects, null before Start.
    Ttals352 *Model() { return m_model.get(); }
    TRequestDevices *Scheduler() { return m_scheduler.get(); }
    TArchive *Archive() { return m_archive.get(); }
    // The simulated transducer behind the port with --simulate, else null.
    TSimTransducer *Simulator() { return m_simulator.get(); }
    // The five printed reports, created at start (or at the first use before it).
    TReports &Reports();
    // The spectra kept while the periodic readout runs (created at the first use).
    TSpectrumRecording &SpectrumRecording();

    // Replace a central object (before the main window exists).
    void SetDevice(std::unique_ptr<TMainDevice> device);
    void SetLink(std::unique_ptr<TDeviceLink> link);
    void SetInput(std::unique_ptr<TUserInput> input);
    void SetClock(std::unique_ptr<TWaitClock> clock);
    void SetParameterFiles(std::unique_ptr<TParameterFiles> files);
    void SetArrayReadout(std::unique_ptr<TArrayReadout> readout);

    // How the windows the main window opens are created, by component name
    // ("FormTals352I", "FormGraph1" ... "FormGraph7", "FormMultiGraph").
    // The refresher re-reads the model into a window that is no TRefreshable.
    using TWindowFactory = std::function<QWidget *(TFormMain &main)>;
    using TWindowRefresher = std::function<void(QWidget *window)>;
    struct TWindowKind
    {
        TWindowFactory factory;
        TWindowRefresher refresher;
    };
    void SetWindowFactory(const QString &name, TWindowFactory factory,
                          TWindowRefresher refresher = {});
    const QHash<QString, TWindowKind> &WindowFactories() const { return m_factories; }

private:
    TProgramModes m_modes;
    TCommandLineOptions m_options;
    QString m_startDir;
    QString m_programDir;
    std::unique_ptr<TMainDevice> m_device;
    std::unique_ptr<TDeviceLink> m_link;
    std::unique_ptr<TUserInput> m_input;
    std::unique_ptr<TWaitClock> m_clock;
    std::unique_ptr<TParameterFiles> m_parameterFiles;
    std::unique_ptr<TArrayReadout> m_arrayReadout;
    std::unique_ptr<TReports> m_reports;
    std::unique_ptr<TSpectrumRecording> m_spectrumRecording;
    QHash<QString, TWindowKind> m_factories;

    // The real central objects, in the order of their creation.
    std::unique_ptr<TArchive> m_archive;
    std::unique_ptr<TArchiveReadings> m_archiveReadings;
    std::unique_ptr<Ttals352> m_model;
    std::unique_ptr<TModelLinkDevice> m_linkDevice;
    std::unique_ptr<TSimTransducer> m_simulator;
    std::unique_ptr<TRequestDevices> m_scheduler;
    std::unique_ptr<TSchedulerPollSelection> m_pollSelection;
};

} // namespace tals
