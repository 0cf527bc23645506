#include "platform/text_file.h"

#include "platform/codepage.h"
#include "platform/paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace tals {

bool WriteFileAtomically(const QString &path, const QByteArray &bytes)
{
    const QFileInfo info(path);
    if (!ForceDirectories(info.absolutePath()))
        return false;
    QTemporaryFile temp(info.absolutePath() + QStringLiteral("/.") + info.fileName() +
                        QStringLiteral(".XXXXXX"));
    if (!temp.open())
        return false;
    if (temp.write(bytes) != bytes.size() || !temp.flush() || ::fsync(temp.handle()) != 0)
        return false;
    // Keep the permissions of a file being replaced.
    if (info.exists())
        temp.setPermissions(QFile::permissions(path));
    else
        temp.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                            QFile::ReadOther);
    const QByteArray from = QFile::encodeName(temp.fileName());
    const QByteArray to = QFile::encodeName(info.absoluteFilePath());
    if (std::rename(from.constData(), to.constData()) != 0)
        return false; // the temporary file removes itself
    temp.setAutoRemove(false);
    // Make the new directory entry itself durable as well.
    const int dirFd = ::open(QFile::encodeName(info.absolutePath()).constData(), O_RDONLY);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

bool WriteTextLines(const QString &path, const QStringList &lines)
{
    QByteArray bytes;
    for (const QString &line : lines) {
        bytes += ToCp1251(line);
        bytes += "\r\n";
    }
    return WriteFileAtomically(path, bytes);
}

bool AppendTextLine(const QString &path, const QString &line)
{
    const QFileInfo info(path);
    ForceDirectories(info.absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    const QByteArray bytes = ToCp1251(line) + "\r\n";
    const bool ok = file.write(bytes) == bytes.size() && file.flush();
    file.close();
    return ok;
}

QStringList ReadTextLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QString text = DecodeTextFile(file.readAll());
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString &line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    }
    // A final line end does not start another line.
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace tals
