#include "ui/main/form_main.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    tals::TFormMain window;
    window.show();
    return app.exec();
}
