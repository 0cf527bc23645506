#include "ui/procedures/acceptance/acceptance_reports.h"

#include "device/progon.h"
#include "device/tals352.h"
#include "platform/number_format.h"
#include "ui/procedures/acceptance/form_test_tube.h"
#include "ui/procedures/run/form_progon.h"
#include "ui/reports/rep_progon.h"
#include "ui/reports/rep_test_tube.h"

#include <qcustomplot.h>

namespace tals {

namespace {

QString Fixed(double value, int digits)
{
    return FloatToStrF(value, ffFixed, 15, digits);
}

void SetText(TReportLabel *label, const QString &text)
{
    if (label)
        label->SetText(text);
}

} // namespace

void FillTubeReport(TRepTestTube &report, const TTubeReport &data)
{
    report.qrlTitle.SetText(data.Title);
    QCustomPlot *chart = report.Chart();
    chart->xAxis->setRange(data.XMin, data.XMax);
    chart->yAxis->setRange(data.YMin, data.YMax);
    QVector<QCPGraphData> points;
    for (const TTubePoint &p : data.Errors)
        points.push_back(QCPGraphData(p.X, p.Y));
    report.Series()->data()->set(points);
}

void FillProgonReport(TRepProgon &report, TFormProgon &window)
{
    Ttals352 &model = window.Model();
    report.Title.SetText(QStringLiteral("Прогон ") + model.DeviceTypeName());
    report.qrlPlantNumber.SetText(QString::number(model.PlantNumber()));
    report.qrlHardVersion.SetText(QString::number(model.HardVersionNumber()));
    report.qrlSoftVersion.SetText(QString::number(model.SoftVersionNumber()));
    report.qrlPPM.SetText(model.PPMNumberText);
    report.qrlNNZ.SetText(model.OrderNumber);
    report.qrlBaza.SetText(Fixed(model.SmPer(), 2));
    report.qrlKkrutZav.SetText(Fixed(model.KrPer(), 5));
    report.qrlAlgoritm.SetText(model.AlgorithmName());
    for (std::size_t k = 0; k < model.ProgonTable.size(); ++k) {
        const TProgonRow &row = model.ProgonTable[k];
        SetText(report.qrlRuletka[k], Fixed(row.Ruletka, 0));
        SetText(report.qrlValue[k], Fixed(row.Value, 3));
        SetText(report.qrlDValue[k], Fixed(row.DValue, 3));
        SetText(report.qrlCurrentValue[k], Fixed(row.CurrentValue, 2));
        // Three decimals, so that 0.0255 and 0.0265 read apart at the 0.026 mA mark.
        SetText(report.qrlDCurrentValue[k], Fixed(row.DCurrentValue, 3));
        const bool inUse = int(k) < ProgonRowCount(model);
        SetText(report.qrlVerdict[k], inUse ? ProgonVerdictText(ProgonRowPasses(row)) : QString());
    }
    report.qrlRunVerdict.SetText(ProgonVerdictText(ProgonRunPasses(model)));

    QCustomPlot *source = window.Chart();
    QCustomPlot *chart = report.Chart();
    if (source->graphCount() > 0) {
        const QCPGraph *series = source->graph(0);
        report.Series()->data()->set(*series->data());
        report.Series()->setScatterStyle(
            QCPScatterStyle(QCPScatterStyle::ssSquare, Qt::red, Qt::red, 3));
    }
    chart->yAxis->setRange(source->yAxis->range());
    chart->yAxis->setLabel(source->yAxis->label());
    chart->xAxis->setRange(source->xAxis->range());
    chart->xAxis->setLabel(source->xAxis->label());
}

} // namespace tals
