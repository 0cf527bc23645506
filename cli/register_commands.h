#pragma once

// The tool's register commands: identify, read-all, write-all, get and set.
// Each returns the exit status; results go to out, failures to err.

#include <QString>
#include <QStringList>

class QTextStream;

namespace tals::cli {

class TCliSession;
struct TCliOptions;

int Identify(TCliSession &session, const TCliOptions &options, QTextStream &out, QTextStream &err);
int ReadAll(TCliSession &session, const TCliOptions &options, QTextStream &out, QTextStream &err);
int WriteAll(TCliSession &session, const TCliOptions &options, QTextStream &out, QTextStream &err);
int Get(TCliSession &session, const TCliOptions &options, QTextStream &out, QTextStream &err);
int Set(TCliSession &session, const TCliOptions &options, QTextStream &out, QTextStream &err);

// What is wrong with a parameter file before anything is sent: a missing
// or unreadable file, no "UserRegisters" section, a value that is no number
// or that the register's range refuses. Empty when the file is sound.
QStringList CheckParameterFile(const QString &path);

// What is wrong with the NAME arguments of get, or NAME=VALUE of set,
// before the port is opened. Empty when all are sound.
QStringList CheckGetArguments(const QStringList &names);
QStringList CheckSetArguments(const QStringList &assignments, bool full);

} // namespace tals::cli
