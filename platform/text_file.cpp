#include "platform/text_file.h"

#include "platform/codepage.h"
#include "platform/paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace tals {

int ReplaceFile(const QString &path, const QByteArray &bytes)
{
    // The errno of a failed step, or EIO when the step left none.
    auto failed = [] { return errno != 0 ? errno : EIO; };
    const QFileInfo info(path);
    errno = 0;
    if (!ForceDirectories(info.absolutePath()))
        return failed();
    QTemporaryFile temp(info.absolutePath() + QStringLiteral("/.") + info.fileName() +
                        QStringLiteral(".XXXXXX"));
    errno = 0;
    if (!temp.open())
        return failed();
    errno = 0;
    if (temp.write(bytes) != bytes.size() || !temp.flush() || ::fsync(temp.handle()) != 0)
        return failed();
    // Keep the permissions of a file being replaced.
    if (info.exists())
        temp.setPermissions(QFile::permissions(path));
    else
        temp.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                            QFile::ReadOther);
    const QByteArray from = QFile::encodeName(temp.fileName());
    const QByteArray to = QFile::encodeName(info.absoluteFilePath());
    if (std::rename(from.constData(), to.constData()) != 0)
        return failed(); // the temporary file removes itself
    temp.setAutoRemove(false);
    // Make the new directory entry itself durable as well.
    const int dirFd = ::open(QFile::encodeName(info.absolutePath()).constData(), O_RDONLY);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return 0;
}

bool WriteFileAtomically(const QString &path, const QByteArray &bytes)
{
    return ReplaceFile(path, bytes) == 0;
}

int ReplaceTextLines(const QString &path, const QStringList &lines)
{
    QByteArray bytes;
    for (const QString &line : lines) {
        bytes += ToCp1251(line);
        bytes += "\r\n";
    }
    return ReplaceFile(path, bytes);
}

bool WriteTextLines(const QString &path, const QStringList &lines)
{
    return ReplaceTextLines(path, lines) == 0;
}

int AppendWhole(const QString &path, const QByteArray &bytes, const TWriteFunction &write)
{
    auto put = [&write](int fd, const char *data, size_t size) {
        ssize_t n;
        do {
            n = write ? write(fd, data, size) : ::write(fd, data, size);
        } while (n < 0 && errno == EINTR);
        return n;
    };
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return errno;
    const size_t size = size_t(bytes.size());
    int err = 0;
    const ssize_t first = put(fd, bytes.constData(), size);
    if (first < 0) {
        err = errno;
    } else if (size_t(first) < size) {
        // Where this line began: the end of the bytes just written, less them.
        const off_t start = ::lseek(fd, 0, SEEK_CUR) - first;
        size_t done = size_t(first);
        while (done < size) {
            const ssize_t n = put(fd, bytes.constData() + done, size - done);
            if (n <= 0) {
                err = n < 0 ? errno : ENOSPC;
                break;
            }
            done += size_t(n);
        }
        // A torn line is worse than a missing one: cut it off again.
        if (err != 0 && start >= 0)
            (void)!::ftruncate(fd, start);
    }
    ::close(fd);
    return err;
}

bool AppendTextLine(const QString &path, const QString &line)
{
    const QFileInfo info(path);
    ForceDirectories(info.absolutePath());
    return AppendWhole(path, ToCp1251(line) + "\r\n") == 0;
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
