#include "storage/archive_settings.h"

#include "platform/ini_file.h"
#include "platform/paths.h"

namespace tals {

namespace {

const QString Section = QStringLiteral("BDE");
const QString AliasKey = QStringLiteral("dbAlias");
const QString PathKey = QStringLiteral("dbPath");
const QString KeepDaysKey = QStringLiteral("KeepDays");
const QString MinFreeKey = QStringLiteral("MinFreeMB");

// A retention key's value, -1 when absent; a negative or unreadable one counts as absent.
int RetentionValue(const TIniFile &ini, const QString &key)
{
    if (!ini.ValueExists(Section, key))
        return -1;
    const int value = ini.ReadInteger(Section, key, -1);
    return value >= 0 ? value : -1;
}

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
        settings.KeepDays = RetentionValue(ini, KeepDaysKey);
        settings.MinFreeMB = RetentionValue(ini, MinFreeKey);
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
    if (settings.KeepDays >= 0)
        ini.WriteInteger(Section, KeepDaysKey, settings.KeepDays);
    if (settings.MinFreeMB >= 0)
        ini.WriteInteger(Section, MinFreeKey, settings.MinFreeMB);
    return ini.UpdateFile();
}

} // namespace tals
