#include "platform/paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>

#include <algorithm>

namespace tals {

namespace {

struct Roots
{
    QMutex mutex;
    QString startAtLaunch; // captured at first use
    QString start;         // explicit overrides
    QString program;
};

Roots &roots()
{
    static Roots r;
    return r;
}

QString EnvDir(const char *name)
{
    return QDir::cleanPath(qEnvironmentVariable(name));
}

} // namespace

QString JoinPath(const QString &dir, const QString &name)
{
    if (dir.isEmpty())
        return name;
    if (dir.endsWith(QLatin1Char('/'))) {
        if (name.startsWith(QLatin1Char('/')))
            return dir + name.mid(1);
        return dir + name;
    }
    if (name.startsWith(QLatin1Char('/')))
        return dir + name;
    return dir + QLatin1Char('/') + name;
}

QString FileBaseName(const QString &path)
{
    const QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    // A leading dot names a hidden file, not an extension.
    if (dot <= 0)
        return name;
    return name.left(dot);
}

bool ForceDirectories(const QString &dir)
{
    if (dir.isEmpty())
        return true;
    if (QFileInfo(dir).isDir())
        return true;
    return QDir().mkpath(dir);
}

bool EnsureFile(const QString &path)
{
    const QFileInfo info(path);
    ForceDirectories(info.absolutePath());
    if (info.exists())
        return info.isFile();
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    file.close();
    return true;
}

QString FindPathNoCase(const QString &path)
{
    if (path.isEmpty() || QFileInfo::exists(path))
        return path;
    QStringList parts = path.split(QLatin1Char('/'));
    // The folder in which the next component is looked up, as found so far.
    QString probe = path.startsWith(QLatin1Char('/')) ? QString() : QStringLiteral(".");
    for (QString &part : parts) {
        if (part.isEmpty() || part == QLatin1String(".") || part == QLatin1String("..")) {
            probe += QLatin1Char('/') + part;
            continue;
        }
        if (!QFileInfo::exists(probe + QLatin1Char('/') + part)) {
            const QStringList entries = QDir(probe.isEmpty() ? QStringLiteral("/") : probe)
                                            .entryList(QDir::AllEntries | QDir::Hidden |
                                                       QDir::System | QDir::NoDotAndDotDot);
            const auto it = std::find_if(entries.begin(), entries.end(), [&](const QString &e) {
                return e.compare(part, Qt::CaseInsensitive) == 0;
            });
            if (it == entries.end())
                break; // the rest stays as given
            part = *it;
        }
        probe += QLatin1Char('/') + part;
    }
    return parts.join(QLatin1Char('/'));
}

QString StartDir()
{
    Roots &r = roots();
    QMutexLocker lock(&r.mutex);
    if (!r.start.isEmpty())
        return r.start;
    const QString env = EnvDir("TALS_START_DIR");
    if (!env.isEmpty() && env != QLatin1String("."))
        return QFileInfo(env).absoluteFilePath();
    if (r.startAtLaunch.isEmpty())
        r.startAtLaunch = QDir::currentPath();
    return r.startAtLaunch;
}

QString ProgramDir()
{
    {
        Roots &r = roots();
        QMutexLocker lock(&r.mutex);
        if (!r.program.isEmpty())
            return r.program;
    }
    const QString env = EnvDir("TALS_PROGRAM_DIR");
    if (!env.isEmpty() && env != QLatin1String("."))
        return QFileInfo(env).absoluteFilePath();
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return StartDir();
}

void SetStartDir(const QString &dir)
{
    Roots &r = roots();
    QMutexLocker lock(&r.mutex);
    r.start = dir.isEmpty() ? QString() : QFileInfo(dir).absoluteFilePath();
}

void SetProgramDir(const QString &dir)
{
    Roots &r = roots();
    QMutexLocker lock(&r.mutex);
    r.program = dir.isEmpty() ? QString() : QFileInfo(dir).absoluteFilePath();
}

bool ApplyPathOptions(QStringList &args)
{
    struct Option
    {
        QLatin1String name;
        void (*apply)(const QString &);
    };
    static const Option options[] = {
        {QLatin1String("--start-dir"), &SetStartDir},
        {QLatin1String("--program-dir"), &SetProgramDir},
    };
    bool ok = true;
    for (qsizetype i = 0; i < args.size();) {
        bool consumed = false;
        for (const Option &option : options) {
            const QString &arg = args[i];
            if (arg == option.name) {
                if (i + 1 < args.size()) {
                    option.apply(args[i + 1]);
                    args.remove(i, 2);
                } else {
                    ok = false;
                    args.remove(i);
                }
                consumed = true;
                break;
            }
            if (arg.startsWith(option.name + QLatin1Char('='))) {
                const QString value = arg.mid(option.name.size() + 1);
                if (value.isEmpty())
                    ok = false;
                else
                    option.apply(value);
                args.remove(i);
                consumed = true;
                break;
            }
        }
        if (!consumed)
            ++i;
    }
    return ok;
}

QString IniFilePath(const QString &root, const QString &name)
{
    return FindPathNoCase(JoinPath(JoinPath(root, QStringLiteral("INI")), name));
}

QString StartIniPath(const QString &name)
{
    return IniFilePath(StartDir(), name);
}

QString ProgramIniPath(const QString &name)
{
    return IniFilePath(ProgramDir(), name);
}

} // namespace tals
