#pragma once

#include <QMainWindow>

namespace tals {

// The main window "Tals35xI-ModBus": menus, tool bar and polling control.
class TFormMain : public QMainWindow
{
    Q_OBJECT

public:
    explicit TFormMain(QWidget *parent = nullptr);
};

} // namespace tals
