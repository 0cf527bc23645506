#pragma once

// Text files in Windows-1251 with CR LF line ends.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

#include <sys/types.h>

namespace tals {

// The system call that writes to a file descriptor (::write unless a test puts
// in one that fails like a full disk).
using TWriteFunction = std::function<ssize_t(int fd, const void *data, size_t size)>;

// Creates or replaces the file with the given lines, each ended by CR LF.
// The bytes go to a temporary file beside the target, are flushed to disk
// and then renamed over it, so the old contents survive a crash. Missing
// folders are created. False on any failure (the old file is then intact).
bool WriteTextLines(const QString &path, const QStringList &lines);
// The same, giving 0 or the errno of the failure, for a message naming it.
int ReplaceTextLines(const QString &path, const QStringList &lines);
// Appends one line ended by CR LF; creates the file and its folders when
// missing. The line is stored whole or not at all. False on failure.
bool AppendTextLine(const QString &path, const QString &line);
// Appends bytes to the file (created when missing, its folder not) in one
// write, so that they are stored whole or not at all: a short write (full
// disk, size limit) is cut back to where it began. 0, or the errno of the
// failure.
int AppendWhole(const QString &path, const QByteArray &bytes,
                const TWriteFunction &write = TWriteFunction());
// The lines of the file, CR LF or LF ended, without their ends; a missing
// or unreadable file gives an empty list.
QStringList ReadTextLines(const QString &path);
// Replaces the file's contents atomically (temporary file, fsync, rename);
// creates missing folders. False on failure, leaving no temporary file.
bool WriteFileAtomically(const QString &path, const QByteArray &bytes);
// The same, giving 0 or the errno of the failure.
int ReplaceFile(const QString &path, const QByteArray &bytes);

} // namespace tals
