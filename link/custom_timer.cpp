#include "link/custom_timer.h"

#include "platform/ini_file.h"
#include "platform/paths.h"

namespace tals {

namespace {
constexpr int kDefaultInterval = 200;
}

TCustomTimer::TCustomTimer(QObject *parent) : QTimer(parent)
{
    setObjectName(QStringLiteral("CustomTimer"));
    setInterval(kDefaultInterval);
}

QString TCustomTimer::IniFilePath() const
{
    return StartIniPath(m_iniName);
}

void TCustomTimer::SetEnabled(bool enabled)
{
    if (enabled)
        start();
    else
        stop();
}

void TCustomTimer::LoadFromIni()
{
    const QString path = IniFilePath();
    EnsureFile(path);
    const TIniFile ini(path);
    const QString section = objectName();
    const int interval = ini.ReadInteger(section, QStringLiteral("Interval"), kDefaultInterval);
    setInterval(interval >= 0 ? interval : kDefaultInterval); // a negative one cannot run
    SetEnabled(ini.ReadBool(section, QStringLiteral("Enabled"), false));
}

void TCustomTimer::SaveToIni() const
{
    TIniFile ini(IniFilePath());
    const QString section = objectName();
    ini.WriteBool(section, QStringLiteral("Enabled"), IsEnabled());
    ini.WriteInteger(section, QStringLiteral("Interval"), interval());
    ini.UpdateFile();
}

void TCustomTimer::Start()
{
    SetEnabled(true);
    if (OnStateChange)
        OnStateChange(this);
}

void TCustomTimer::Stop()
{
    SetEnabled(false);
    if (OnStateChange)
        OnStateChange(this);
}

} // namespace tals
