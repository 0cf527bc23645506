#pragma once

// The whole tool behind main(): parse the command line, check what can be
// checked before the port opens, connect and run the command.

#include <QStringList>

class QTextStream;

namespace tals::cli {

// Runs tals35xi-cli with the arguments (the first is the program path);
// returns the exit status (0 success, 1 device failure, 2 bad usage).
int RunCli(const QStringList &arguments, QTextStream &out, QTextStream &err);

} // namespace tals::cli
