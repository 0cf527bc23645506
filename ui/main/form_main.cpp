#include "ui/main/form_main.h"

namespace tals {

TFormMain::TFormMain(QWidget *parent) : QMainWindow(parent)
{
    setObjectName("FormMain");
    setWindowTitle(QStringLiteral("Tals35xI-ModBus"));
    resize(800, 120);
}

} // namespace tals
