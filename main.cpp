#include "platform/dialogs.h"
#include "ui/application/application.h"
#include "ui/windows/form_main.h"
#include "ui/dialogs/widget_dialogs.h"
#include "ui/procedures/acceptance_windows.h"
#include "ui/windows/view_windows.h"
#include "ui/procedures/scan_windows.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication qapp(argc, argv);
    tals::TWidgetDialogs dialogs;
    tals::InstallDialogService(&dialogs);

    tals::TApplication app(QApplication::arguments());
    app.Start();
    tals::RegisterViewWindows(app);
    tals::RegisterAcceptanceWindows(app);
    tals::RegisterScanWindows(app);
    int result = 0;
    {
        tals::TFormMain window(app);
        dialogs.SetParent(&window);
        window.show();
        result = qapp.exec();
        dialogs.SetParent(nullptr);
    }
    // The application object stops the link after the main window has gone.
    tals::InstallDialogService(nullptr);
    return result;
}
