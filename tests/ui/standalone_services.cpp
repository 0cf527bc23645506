#include "tests/ui/standalone_services.h"

#include "platform/dialogs.h"
#include "platform/ini_file.h"
#include "platform/paths.h"

#include <algorithm>

namespace tals {

TPlainTimer::TPlainTimer(const QString &name, const QString &iniPath)
    : m_name(name), m_iniPath(iniPath)
{
    m_timer.setObjectName(name);
    m_timer.setInterval(200);
    QObject::connect(&m_timer, &QTimer::timeout, [this] {
        if (m_onTick)
            m_onTick();
    });
}

void TPlainTimer::SetEnabled(bool enabled)
{
    if (enabled)
        m_timer.start();
    else
        m_timer.stop();
}

void TPlainTimer::Start()
{
    SetEnabled(true);
    if (m_onStateChange)
        m_onStateChange();
}

void TPlainTimer::Stop()
{
    SetEnabled(false);
    if (m_onStateChange)
        m_onStateChange();
}

void TPlainTimer::SetPaused(bool paused)
{
    SetEnabled(!paused);
}

void TPlainTimer::SetInterval(int milliseconds)
{
    m_timer.setInterval(std::max(1, milliseconds));
}

void TPlainTimer::LoadFromIni()
{
    if (m_iniPath.isEmpty())
        return;
    EnsureFile(m_iniPath);
    const TIniFile ini(m_iniPath);
    SetInterval(ini.ReadInteger(m_name, QStringLiteral("Interval"), 200));
    SetEnabled(ini.ReadBool(m_name, QStringLiteral("Enabled"), false));
}

void TPlainTimer::SaveToIni()
{
    if (m_iniPath.isEmpty())
        return;
    TIniFile ini(m_iniPath);
    ini.WriteBool(m_name, QStringLiteral("Enabled"), IsEnabled());
    ini.WriteInteger(m_name, QStringLiteral("Interval"), Interval());
    ini.UpdateFile();
}

void TPlainTimer::SetTickHandler(std::function<void()> handler)
{
    m_onTick = std::move(handler);
}

void TPlainTimer::Fire()
{
    if (m_onTick)
        m_onTick();
}

TOfflineLink::TOfflineLink(const QString &timerIniPath)
    : m_pollTimer(QStringLiteral("ctReqDevices"), timerIniPath)
{}

TMemoryDevice::TMemoryDevice()
{
    // The typical values of the registers the main window uses.
    m_values = {{"Hmax", 30000},      {"Lmax", 30000},         {"ValueDigits", 1},
                {"SystemAddress", 1}, {"SystemAddressNew", 1}, {"CountBadZones", 1},
                {"ODPM", 1}};
}

bool TTextUserInput::TryInputInteger(const QString &caption, const QString &prompt, int &value,
                                     int minimum, int maximum)
{
    QString text = QString::number(value);
    if (!Dialogs().InputText(caption, prompt, text))
        return false;
    bool ok = false;
    const int entered = text.trimmed().toInt(&ok);
    value = std::clamp(ok ? entered : minimum, minimum, std::max(minimum, maximum));
    return true;
}

bool TTextUserInput::TryInputDouble(const QString &caption, const QString &prompt, int decimals,
                                    double &value, double minimum, double maximum)
{
    QString text = QString::number(value, 'f', std::max(0, decimals));
    if (!Dialogs().InputText(caption, prompt, text))
        return false;
    bool ok = false;
    const double entered = text.trimmed().toDouble(&ok);
    if (!ok)
        return false;
    value = std::clamp(entered, minimum, std::max(minimum, maximum));
    return true;
}

} // namespace tals
