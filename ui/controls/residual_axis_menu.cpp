#include "ui/controls/residual_axis_menu.h"

#include <QAction>

#include <qcustomplot.h>

namespace tals {

void AddResidualAxisMenu(QCustomPlot *chart,
                         const std::function<void(bool automatic)> &setAutomatic)
{
    chart->setContextMenuPolicy(Qt::ActionsContextMenu);
    auto *axisAuto = new QAction(QStringLiteral("Разброс автоматический"), chart);
    axisAuto->setObjectName(QStringLiteral("actAxisAutomatic"));
    auto *axisFixed = new QAction(QStringLiteral("Разброс -3,5 ... +3,5"), chart);
    axisFixed->setObjectName(QStringLiteral("actAxisFixed"));
    QObject::connect(axisAuto, &QAction::triggered, chart, [setAutomatic] { setAutomatic(true); });
    QObject::connect(axisFixed, &QAction::triggered, chart,
                     [setAutomatic] { setAutomatic(false); });
    chart->addActions({axisAuto, axisFixed});
}

} // namespace tals
