#include "cli/array_commands.h"

#include "cli/cli_options.h"
#include "cli/cli_session.h"
#include "device/array_dumps.h"
#include "device/command_table.h"
#include "device/tals352.h"
#include "link/array_reader.h"
#include "platform/text_file.h"

#include <QFileInfo>

namespace tals::cli {

namespace {

// Reads the array named by the control command into the model and writes
// the dump that `lines` makes of it to the --out file.
int ReadArray(TCliSession &session, const TCliOptions &options, QTextStream &out, QTextStream &err,
              int controlCommand, QStringList (*lines)(Ttals352 &))
{
    // The dump names the device and its distance: the signature and one
    // reading of the readings block come first.
    for (quint8 code : {quint8(1), quint8(2), quint8(3)}) {
        if (!session.ExecuteWithRetries(code)) {
            err << QStringLiteral("Не выполнена команда Считать сигнатуру: %1\n")
                       .arg(session.LastFailure());
            return kExitDeviceFailure;
        }
    }
    if (!session.ExecuteWithRetries(cmd::ReadReadings)) {
        err << QStringLiteral("Не выполнено чтение показаний: %1\n").arg(session.LastFailure());
        return kExitDeviceFailure;
    }

    Ttals352 &model = session.Model();
    model.SetControlCommand(controlCommand);
    TArrayReader reader(model, session.Modes(),
                        [&session](quint8 code) { return session.Execute(code).Result; });
    const TArrayReadResult result = reader.Read();
    if (result.Status != 0) {
        err << result.Text;
        if (session.LastResult() != 0)
            err << ": " << session.LastFailure();
        err << '\n';
        return kExitDeviceFailure;
    }
    if (!WriteTextLines(options.Out, lines(model))) {
        err << QStringLiteral("Не удалось записать файл %1\n").arg(options.Out);
        return kExitDeviceFailure;
    }
    out << QFileInfo(options.Out).absoluteFilePath() << '\n';
    return kExitOk;
}

} // namespace

int Signal(TCliSession &session, const TCliOptions &options, QTextStream &out, QTextStream &err)
{
    return ReadArray(session, options, out, err, 1, &SignalDumpLines);
}

int Spectrum(TCliSession &session, const TCliOptions &options, QTextStream &out, QTextStream &err)
{
    return ReadArray(session, options, out, err, 2, &SpectrumDumpLines);
}

} // namespace tals::cli
