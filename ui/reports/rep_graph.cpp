#include "ui/reports/rep_graph.h"

namespace tals {

TRepGraph::TRepGraph() : TRepGraph(QStringLiteral("TRepGraph"), false) {}

TRepGraph::TRepGraph(const QString &name, bool legend)
    : TReport(name), Title(AddLabel(QStringLiteral("Title"), 0, 0, QStringLiteral("График"), 0, 0,
                                    Qt::AlignHCenter, 12, true)),
      FilterDescribe(
          AddLabel(QStringLiteral("FilterDescribe"), 1.3, 8.5, QStringLiteral("Отчет за")))
{
    AddCreatedLine(2.1, 1.3, 25.4, 47.6);
    AddChart(0, 12.7, 267.0, 156.9, Qt::blue, true, legend);
}

TRepMultiGraph::TRepMultiGraph() : TRepGraph(QStringLiteral("TRepMultiGraph"), true) {}

} // namespace tals
