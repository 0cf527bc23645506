#include "ui/reports/rep_test_tube.h"

#include <qcustomplot.h>

namespace tals {

TRepTestTube::TRepTestTube()
    : TReport(QStringLiteral("TRepTestTube")),
      qrlTitle(AddLabel(QStringLiteral("qrlTitle"), 4.5, 0.3, QStringLiteral("Крутизна"), 0, 0,
                        Qt::AlignLeft, 12, true))
{
    AddChart(0, 13.0, 267.0, 148.4, Qt::blue, false, false);
    Chart()->yAxis->setLabel(QStringLiteral("Погрешность, мм"));
    Chart()->xAxis->setLabel(QStringLiteral("Установленное расстояние, мм"));
    AddCreatedLine(163.0, 0.3, 23.3, 45.5);
}

} // namespace tals
