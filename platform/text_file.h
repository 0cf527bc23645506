#pragma once

// Text files in Windows-1251 with CR LF line ends.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace tals {

// Creates or replaces the file with the given lines, each ended by CR LF.
// The bytes go to a temporary file beside the target, are flushed to disk
// and then renamed over it, so the old contents survive a crash. Missing
// folders are created. False on any failure (the old file is then intact).
bool WriteTextLines(const QString &path, const QStringList &lines);
// Appends one line ended by CR LF; creates the file and its folders when
// missing. False on failure.
bool AppendTextLine(const QString &path, const QString &line);
// The lines of the file, CR LF or LF ended, without their ends; a missing
// or unreadable file gives an empty list.
QStringList ReadTextLines(const QString &path);
// Replaces the file's contents atomically (temporary file, fsync, rename);
// creates missing folders. False on failure, leaving no temporary file.
bool WriteFileAtomically(const QString &path, const QByteArray &bytes);

} // namespace tals
