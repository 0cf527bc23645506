#include "cli/cli_run.h"

#include "cli/archive_command.h"
#include "cli/array_commands.h"
#include "cli/cli_options.h"
#include "cli/cli_session.h"
#include "cli/line_commands.h"
#include "cli/register_commands.h"
#include "cli/station.h"
#include "platform/paths.h"
#include "platform/user_folders.h"

#include <QTextStream>

namespace tals::cli {

namespace {

int Usage(QTextStream &err, const QString &message)
{
    err << "tals35xi-cli: " << message << '\n' << QStringLiteral("Справка: tals35xi-cli --help\n");
    return kExitUsage;
}

// The problems found before anything is sent, or none.
QStringList CheckBeforeSending(const TCliOptions &o)
{
    switch (o.Command) {
    case TCommand::WriteAll:
        return CheckParameterFile(o.In);
    case TCommand::Get:
        return CheckGetArguments(o.Arguments);
    case TCommand::Set:
        return CheckSetArguments(o.Arguments, o.Full);
    case TCommand::Station:
        return CheckStationOptions(o);
    default:
        return {};
    }
}

void PrintPaths(QTextStream &out)
{
    out << "start-dir=" << StartDir() << '\n'
        << "program-dir=" << ProgramDir() << '\n'
        << "shared-data-dir=" << SharedDataDir() << '\n'
        << "parameters-ini=" << ProgramDataIniPath(QStringLiteral("Parameters.ini")) << '\n'
        << "com-port-ini=" << StartIniPath(QStringLiteral("ComPort.ini")) << '\n';
}

} // namespace

int RunCli(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    const TCliOptions options = ParseCliArguments(arguments);
    if (options.ShowHelp) {
        out << CliHelpText();
        return kExitOk;
    }
    if (options.ShowVersion) {
        out << CliVersionText();
        return kExitOk;
    }
    if (!options.Error.isEmpty())
        return Usage(err, options.Error);

    // The same folders as the program: ComPort.ini and the exchange journal
    // in the start directory, the fault journal in the program's folder.
    QStringList rest = arguments;
    UseDefaultFolders(rest);
    if (!ApplyPathOptions(rest))
        return Usage(err, QStringLiteral("--start-dir/--program-dir: нет папки"));

    switch (options.Command) {
    case TCommand::Paths:
        PrintPaths(out);
        return kExitOk;
    case TCommand::Archive:
        return PrintArchive(options, out, err);
    default:
        break;
    }
    if (const QStringList problems = CheckBeforeSending(options); !problems.isEmpty()) {
        err << "tals35xi-cli: " << problems.join(QStringLiteral("\n  ")) << '\n';
        return kExitUsage;
    }

    if (options.Command == TCommand::Station)
        return Station(options, out, err);

    TCliSession session(options);
    QString error;
    if (!session.Open(error)) {
        err << "tals35xi-cli: " << error << '\n';
        return kExitDeviceFailure;
    }
    if (!session.OpenWarning().isEmpty())
        err << "tals35xi-cli: " << session.OpenWarning() << '\n';
    switch (options.Command) {
    case TCommand::Identify:
        return Identify(session, options, out, err);
    case TCommand::ReadAll:
        return ReadAll(session, options, out, err);
    case TCommand::WriteAll:
        return WriteAll(session, options, out, err);
    case TCommand::Get:
        return Get(session, options, out, err);
    case TCommand::Set:
        return Set(session, options, out, err);
    case TCommand::Poll:
        return Poll(session, options, out, err);
    case TCommand::Scan:
        return Scan(session, options, out, err);
    case TCommand::Assign:
        return Assign(session, options, out, err);
    case TCommand::Signal:
        return Signal(session, options, out, err);
    case TCommand::Spectrum:
        return Spectrum(session, options, out, err);
    default:
        return Usage(err, QStringLiteral("Не указана команда"));
    }
}

} // namespace tals::cli
