#include "ui/main/application.h"

#include "platform/paths.h"
#include "ui/main/standalone_services.h"

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

    // The device model, then the link.
    m_device = std::make_unique<TMemoryDevice>();
    m_link = std::make_unique<TOfflineLink>(TimerIniPath());
    m_input = std::make_unique<TTextUserInput>();
}

TApplication::~TApplication()
{
    // The link stops after the main window has gone; the model outlives it.
    m_arrayReadout.reset();
    m_parameterFiles.reset();
    m_link.reset();
    m_device.reset();
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

void TApplication::SetParameterFiles(std::unique_ptr<TParameterFiles> files)
{
    m_parameterFiles = std::move(files);
}

void TApplication::SetArrayReadout(std::unique_ptr<TArrayReadout> readout)
{
    m_arrayReadout = std::move(readout);
}

void TApplication::SetWindowFactory(const QString &name, TWindowFactory factory)
{
    m_factories[name] = std::move(factory);
}

} // namespace tals
