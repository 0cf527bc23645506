#include "platform/dialogs.h"
#include "platform/paths.h"
#include "platform/qt_translation.h"
#include "platform/user_folders.h"
#include "ui/application/application.h"
#include "ui/application/command_line.h"
#include "ui/dialogs/widget_dialogs.h"
#include "ui/procedures/acceptance/acceptance_windows.h"
#include "ui/procedures/calibration/calibration_windows.h"
#include "ui/procedures/scan/scan_windows.h"
#include "ui/windows/form_main.h"
#include "ui/windows/view_windows.h"

#include <QApplication>
#include <QDir>

#include <csignal>
#include <cstdio>
#include <cstring>

namespace {

// "--help" and "--version" print and end the program before any window or
// display is needed.
bool WantsTextOnly(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i)
        for (const char *name : {"--help", "-help", "-h", "--version", "-version"})
            if (std::strcmp(argv[i], name) == 0)
                return true;
    return false;
}

int PrintHelpOrVersion(int argc, char **argv)
{
    QCoreApplication core(argc, argv);
    const auto translation = tals::InstallQtTranslation();
    tals::TProgramModes modes;
    const tals::TCommandLineOptions options =
        tals::ParseCommandLine(QCoreApplication::arguments(), modes);
    const QString text = options.ShowHelp ? tals::HelpText() : tals::VersionText();
    std::fputs(text.toLocal8Bit().constData(), stdout);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    // A file-size limit makes a write fail with EFBIG, which the archive reports,
    // instead of ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
    QCoreApplication::setApplicationName(QStringLiteral("tals35xi"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TALS_VERSION));
    if (WantsTextOnly(argc, argv))
        return PrintHelpOrVersion(argc, argv);

    QApplication qapp(argc, argv);
    QApplication::setDesktopFileName(QStringLiteral("tals35xi"));
    const auto translation = tals::InstallQtTranslation();
    tals::TWidgetDialogs dialogs;
    tals::InstallDialogService(&dialogs);

    // Working files go to the per-user folder unless the working directory
    // holds an INI folder or the folders are given.
    const QStringList arguments = QApplication::arguments();
    tals::UseDefaultFolders(arguments);
    tals::TApplication app(arguments);
    for (const QString &error : app.Options().Errors)
        std::fprintf(stderr, "%s\n", error.toLocal8Bit().constData());
    // The exchange journal and ComPort.ini belong to the start directory.
    tals::ForceDirectories(app.StartDir());
    QDir::setCurrent(app.StartDir());

    app.Start();
    tals::RegisterViewWindows(app);
    tals::RegisterAcceptanceWindows(app);
    tals::RegisterScanWindows(app);
    tals::RegisterCalibrationWindows(app);
    int result = 0;
    {
        tals::TFormMain window(app);
        dialogs.SetParent(&window);
        window.show();
        // An unattended station polls from the start.
        if (app.Options().Poll)
            window.ExecuteAction(QStringLiteral("actOprosStart"));
        result = qapp.exec();
        dialogs.SetParent(nullptr);
    }
    // The application object stops the link after the main window has gone.
    tals::InstallDialogService(nullptr);
    return result;
}
