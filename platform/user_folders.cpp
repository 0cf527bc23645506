#include "platform/user_folders.h"

#include "platform/paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>

namespace tals {

namespace {

QString EnvDir(const char *name)
{
    return QDir::cleanPath(qEnvironmentVariable(name));
}

bool HasIniFolder(const QString &dir)
{
    return !dir.isEmpty() &&
           QFileInfo(FindPathNoCase(JoinPath(dir, QStringLiteral("INI")))).isDir();
}

// Whether the arguments name the folder option, alone or with "=".
bool OptionGiven(const QStringList &arguments, QLatin1String name)
{
    const QString withValue = name + QLatin1Char('=');
    return std::any_of(arguments.begin(), arguments.end(),
                       [&](const QString &a) { return a == name || a.startsWith(withValue); });
}

bool EnvGiven(const char *name)
{
    const QString value = EnvDir(name);
    return !value.isEmpty() && value != QLatin1String(".");
}

} // namespace

QString UserDataDir()
{
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return JoinPath(base, QStringLiteral("tals35xi"));
}

QString SharedDataDir()
{
    const QString exeDir =
        QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
    if (HasIniFolder(exeDir))
        return exeDir;
#ifdef TALS_SHARED_DATA_RELATIVE
    if (!exeDir.isEmpty()) {
        const QString installed =
            QDir::cleanPath(JoinPath(exeDir, QStringLiteral(TALS_SHARED_DATA_RELATIVE)));
        if (HasIniFolder(installed))
            return installed;
    }
#endif
    return QStringLiteral("/usr/share/tals35xi");
}

QString ProgramDataIniPath(const QString &name)
{
    const QString own = ProgramIniPath(name);
    if (QFileInfo(own).isFile())
        return own;
    const QString shipped = IniFilePath(SharedDataDir(), name);
    return QFileInfo(shipped).isFile() ? shipped : own;
}

TDefaultFolders ChooseDefaultFolders(const QString &workingDir, const QString &executableDir,
                                     const QString &userDir, bool startGiven, bool programGiven)
{
    TDefaultFolders folders;
    const bool startStays = startGiven || HasIniFolder(workingDir);
    if (!startStays)
        folders.Start = userDir;
    if (!programGiven && !(startStays && HasIniFolder(executableDir)))
        folders.Program = userDir;
    return folders;
}

void UseDefaultFolders(const QStringList &arguments)
{
    const bool startGiven =
        OptionGiven(arguments, QLatin1String("--start-dir")) || EnvGiven("TALS_START_DIR");
    const bool programGiven =
        OptionGiven(arguments, QLatin1String("--program-dir")) || EnvGiven("TALS_PROGRAM_DIR");
    const QString exeDir =
        QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
    const TDefaultFolders folders =
        ChooseDefaultFolders(QDir::currentPath(), exeDir, UserDataDir(), startGiven, programGiven);
    if (!folders.Start.isEmpty()) {
        ForceDirectories(folders.Start);
        SetStartDir(folders.Start);
    }
    if (!folders.Program.isEmpty()) {
        ForceDirectories(folders.Program);
        SetProgramDir(folders.Program);
    }
}

} // namespace tals
