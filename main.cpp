#include "ui/main/application.h"
#include "ui/main/form_main.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication qapp(argc, argv);
    tals::TApplication app(QApplication::arguments());
    int result = 0;
    {
        tals::TFormMain window(app);
        window.show();
        result = qapp.exec();
    }
    // The application object stops the link after the main window has gone.
    return result;
}
