#include "link/port_diagnostics.h"

#include "platform/error_text.h"
#include "platform/rs485.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tals {

namespace {

bool StatPath(const QString &path, struct stat &st)
{
    return ::stat(QFile::encodeName(path).constData(), &st) == 0;
}

// The group that may use the device (dialout on Debian), from its owner group.
QString DeviceGroup(const QString &path)
{
    struct stat st
    {
    };
    if (StatPath(path, st)) {
        if (const group *g = ::getgrgid(st.st_gid); g && g->gr_name && st.st_gid != 0)
            return QString::fromLocal8Bit(g->gr_name);
    }
    return QStringLiteral("dialout");
}

QString BusyReason(const QString &path)
{
    QString text = QStringLiteral("Порт занят другой программой");
    const QList<TPortHolder> holders = PortHolders(path);
    if (holders.isEmpty())
        return text;
    QStringList names;
    for (const TPortHolder &h : holders)
        names << QStringLiteral("%1 (процесс %2)").arg(h.Name).arg(h.Pid);
    return text + QStringLiteral(": ") + names.join(QStringLiteral(", "));
}

QString PermissionReason(const QString &path)
{
    const QString group = DeviceGroup(path);
    return QStringLiteral("Нет прав доступа к порту. Пользователь должен входить в группу ") +
           group + QStringLiteral(": выполните команду\r\n    sudo usermod -aG ") + group +
           QStringLiteral(" $USER\r\nи войдите в систему заново.");
}

} // namespace

QList<TPortHolder> PortHolders(const QString &path, const QString &procDir)
{
    QList<TPortHolder> holders;
    struct stat port
    {
    };
    if (!StatPath(path, port))
        return holders;
    const bool device = S_ISCHR(port.st_mode);
    const QDir proc(procDir);
    for (const QString &pid : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool number = false;
        const pid_t id = pid_t(pid.toInt(&number));
        if (!number)
            continue;
        // Other users' processes are not visible without privileges; they are skipped.
        const QByteArray fdDir = QFile::encodeName(proc.filePath(pid + QStringLiteral("/fd")));
        DIR *dir = ::opendir(fdDir.constData());
        if (!dir)
            continue;
        bool holds = false;
        while (const dirent *entry = ::readdir(dir)) {
            if (entry->d_name[0] == '.')
                continue;
            struct stat st
            {
            };
            const QByteArray fd = fdDir + '/' + entry->d_name;
            if (::stat(fd.constData(), &st) != 0)
                continue;
            holds = device ? S_ISCHR(st.st_mode) && st.st_rdev == port.st_rdev
                           : st.st_dev == port.st_dev && st.st_ino == port.st_ino;
            if (holds)
                break;
        }
        ::closedir(dir);
        if (!holds)
            continue;
        QFile comm(proc.filePath(pid + QStringLiteral("/comm")));
        QString name;
        if (comm.open(QIODevice::ReadOnly))
            name = QString::fromLocal8Bit(comm.readAll().trimmed());
        holders.append({id, name.isEmpty() ? QStringLiteral("?") : name});
    }
    return holders;
}

QString NotSerialDeviceReason(const QString &path)
{
    struct stat st
    {
    };
    if (!StatPath(path, st) || S_ISCHR(st.st_mode))
        return QString();
    const QString what = S_ISDIR(st.st_mode)   ? QStringLiteral("папка")
                         : S_ISREG(st.st_mode) ? QStringLiteral("обычный файл")
                                               : QStringLiteral("не устройство");
    return QStringLiteral("Это не последовательный порт (") + what + QLatin1Char(')');
}

QString OpenFailureReason(int err, const QString &path)
{
    switch (err) {
    case EBUSY:
    case EWOULDBLOCK:
        return BusyReason(path);
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case ENOTDIR:
        return QStringLiteral("Порт не найден");
    case EACCES:
    case EPERM:
        return PermissionReason(path);
    case EISDIR:
    case ENOTTY:
        return NotSerialDeviceReason(path).isEmpty()
                   ? QStringLiteral("Это не последовательный порт")
                   : NotSerialDeviceReason(path);
    default:
        return SystemErrorText(err);
    }
}

QString AdapterName(const QString &byIdName)
{
    QString name = byIdName;
    static const QRegularExpression bus(QStringLiteral("^(usb|pci|platform)-"));
    static const QRegularExpression tail(QStringLiteral("-if[0-9A-Fa-f]+(-port[0-9]+)?$"));
    name.remove(bus);
    name.remove(tail);
    name.replace(QLatin1Char('_'), QLatin1Char(' '));
    return name.trimmed();
}

QString PortDescription(const QString &path, const QString &devDir)
{
    const QString byIdDir = QDir(devDir).filePath(QStringLiteral("serial/by-id"));
    const QFileInfo info(path);
    // Any ".../serial/by-id" folder serves, so that a copy of /dev can be examined.
    if (info.isSymLink() && info.absolutePath().endsWith(QLatin1String("/serial/by-id"))) {
        const QString target = QFileInfo(info.canonicalFilePath()).fileName();
        const QString adapter = AdapterName(info.fileName());
        return target.isEmpty() ? adapter : target + QStringLiteral(", ") + adapter;
    }
    const QString canonical = info.canonicalFilePath();
    if (canonical.isEmpty())
        return QString();
    const QDir byId(byIdDir);
    for (const QFileInfo &link : byId.entryInfoList(QDir::System | QDir::Files, QDir::Name))
        if (link.canonicalFilePath() == canonical)
            return AdapterName(link.fileName());
    return QString();
}

bool PortSupportsRs485(const QString &path)
{
    // Non-blocking, so that a port without carrier does not hold the caller.
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool supported = QueryRs485(fd);
    ::close(fd);
    return supported;
}

} // namespace tals
