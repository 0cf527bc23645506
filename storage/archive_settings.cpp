#include "storage/archive_settings.h"

#include "platform/ini_file.h"
#include "platform/paths.h"

namespace tals {

namespace {

const QString Section = QStringLiteral("BDE");
const QString AliasKey = QStringLiteral("dbAlias");
const QString PathKey = QStringLiteral("dbPath");

QString SettingsPath(const QString &startDir)
{
    return IniFilePath(startDir, QStringLiteral("bde.ini"));
}

} // namespace

TArchiveSettings LoadArchiveSettings(const QString &startDir)
{
    TArchiveSettings settings;
    {
        TIniFile ini(SettingsPath(startDir));
        settings.dbAlias = ini.ReadString(Section, AliasKey, settings.dbAlias);
        settings.dbPath = ini.ReadString(Section, PathKey, QString());
    }
    if (settings.dbPath.trimmed().isEmpty()) {
        settings.dbPath = JoinPath(startDir, QStringLiteral("DATA"));
        SaveArchiveSettings(settings, startDir);
    }
    return settings;
}

bool SaveArchiveSettings(const TArchiveSettings &settings, const QString &startDir)
{
    const QString path = SettingsPath(startDir);
    EnsureFile(path);
    TIniFile ini(path);
    ini.WriteString(Section, AliasKey, settings.dbAlias);
    ini.WriteString(Section, PathKey, settings.dbPath);
    return ini.UpdateFile();
}

} // namespace tals
