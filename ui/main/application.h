#pragma once

// The one object that owns the program's central objects for the whole run and
// hands them out: the operating modes, the device model, the link with its poll
// timer, the parameter files, the array readout and the operator dialogs.

#include "device/program_modes.h"
#include "ui/main/command_line.h"
#include "ui/main/main_services.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QWidget;

namespace tals {

class TFormMain;

class TApplication
{
public:
    // Evaluates the command line, records the start and program folders, then
    // creates the device model and starts the link, in this order.
    explicit TApplication(const QStringList &arguments);
    // Stops the link.
    ~TApplication();

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
    TParameterFiles *ParameterFiles() { return m_parameterFiles.get(); }
    TArrayReadout *ArrayReadout() { return m_arrayReadout.get(); }

    // Replace a central object (before the main window exists).
    void SetDevice(std::unique_ptr<TMainDevice> device);
    void SetLink(std::unique_ptr<TDeviceLink> link);
    void SetInput(std::unique_ptr<TUserInput> input);
    void SetParameterFiles(std::unique_ptr<TParameterFiles> files);
    void SetArrayReadout(std::unique_ptr<TArrayReadout> readout);

    // How the windows the main window opens are created, by component name
    // ("FormTals352I", "FormGraph1" ... "FormGraph7", "FormMultiGraph").
    using TWindowFactory = std::function<QWidget *(TFormMain &main)>;
    void SetWindowFactory(const QString &name, TWindowFactory factory);
    const QHash<QString, TWindowFactory> &WindowFactories() const { return m_factories; }

private:
    TProgramModes m_modes;
    TCommandLineOptions m_options;
    QString m_startDir;
    QString m_programDir;
    std::unique_ptr<TMainDevice> m_device;
    std::unique_ptr<TDeviceLink> m_link;
    std::unique_ptr<TUserInput> m_input;
    std::unique_ptr<TParameterFiles> m_parameterFiles;
    std::unique_ptr<TArrayReadout> m_arrayReadout;
    QHash<QString, TWindowFactory> m_factories;
};

} // namespace tals
