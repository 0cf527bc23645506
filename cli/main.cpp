#include "cli/cli_run.h"
#include "platform/qt_translation.h"

#include <QCoreApplication>
#include <QTextStream>

#include <csignal>
#include <cstdio>

int main(int argc, char **argv)
{
    // A file-size limit makes a write fail with EFBIG instead of ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tals35xi-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TALS_VERSION));
    // Qt's own texts of the help ("Usage", "Options") in Russian.
    const auto translation = tals::InstallQtTranslation();

    QTextStream out(stdout);
    QTextStream err(stderr);
    const int status = tals::cli::RunCli(QCoreApplication::arguments(), out, err);
    out.flush();
    err.flush();
    return status;
}
