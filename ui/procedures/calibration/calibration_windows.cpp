#include "ui/procedures/calibration/calibration_windows.h"

#include "device/fft_calibration.h"
#include "device/tals352.h"
#include "platform/number_format.h"
#include "ui/application/application.h"
#include "ui/procedures/calibration/form_kalibr.h"
#include "ui/reports/rep_kalibr.h"
#include "ui/reports/reports.h"
#include "ui/windows/form_main.h"

#include <qcustomplot.h>

namespace tals {

namespace {

QString Fixed(double value, int digits)
{
    return FloatToStrF(value, ffFixed, 15, digits);
}

} // namespace

void FillKalibrReport(TRepKalibr &report, TFormKalibrBase &window)
{
    Ttals352 &model = window.Model();
    report.Title.SetText(window.ReportTitle());
    report.qrlPlantNumber.SetText(QString::number(model.PlantNumber()));
    report.qrlHardVersion.SetText(QString::number(model.HardVersionNumber()));
    report.qrlSoftVersion.SetText(QString::number(model.SoftVersionNumber()));
    report.qrlBaza.SetText(Fixed(model.SmPer(), 2));
    report.qrlKkrutZav.SetText(Fixed(model.KrPer(), 5));

    // The rows from the window's chart points.
    std::vector<TCalibrResidual> points;
    for (auto it = window.Series()->data()->constBegin(); it != window.Series()->data()->constEnd();
         ++it)
        points.push_back({it->key, it->value});
    const std::vector<TCalibrReportRow> rows = CalibrReportRows(points);
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const TCalibrReportRow &row = rows[k];
        report.qrlKalibrSample[k]->SetText(row.Valid ? Fixed(row.Set, 1) : QString());
        report.qrlKalibr[k]->SetText(row.Valid ? Fixed(row.Measured, 1) : QString());
        report.qrlKalibrDelta[k]->SetText(row.Valid ? Fixed(row.Error, 1) : QString());
    }

    QCustomPlot *source = window.Chart();
    QCustomPlot *chart = report.Chart();
    report.Series()->data()->set(*window.Series()->data());
    report.Series()->setPen(window.Series()->pen());
    report.Series()->setScatterStyle(window.Series()->scatterStyle());
    chart->yAxis->setRange(source->yAxis->range());
    chart->yAxis->setLabel(source->yAxis->label());
    chart->xAxis->setRange(source->xAxis->range());
    chart->xAxis->setLabel(source->xAxis->label());
    chart->xAxis->setTicker(source->xAxis->ticker());
    chart->xAxis->setNumberFormat(source->xAxis->numberFormat());
    chart->xAxis->setNumberPrecision(source->xAxis->numberPrecision());
}

void RegisterCalibrationWindows(TApplication &app)
{
    auto factory = [&app](TFormKalibrBase::TKind kind) {
        return [&app, kind](TFormMain &main) -> QWidget * {
            if (!app.Model())
                return nullptr;
            TFormMain *owner = &main;
            TKalibrHost host{
                [owner](const QString &name) { return owner->ExecuteAction(name); },
                [owner] { return owner->IsPolling(); },
                [owner] {
                    if (auto *par = dynamic_cast<TRefreshable *>(
                            owner->Windows().Find(QStringLiteral("FormTalsPar"))))
                        par->Refresh();
                }};
            auto show = [&app](TFormKalibrBase &window) {
                TRepKalibr &report = app.Reports().Kalibr();
                FillKalibrReport(report, window);
                report.Preview(&window);
            };
            if (kind == TFormKalibrBase::TKind::Mmp)
                return new TFormKalibrMMP(*app.Model(), std::move(host), std::move(show));
            return new TFormKalibr(*app.Model(), std::move(host), std::move(show));
        };
    };
    app.SetWindowFactory(QStringLiteral("FormKalibr"), factory(TFormKalibrBase::TKind::Fft));
    app.SetWindowFactory(QStringLiteral("FormKalibrMMP"), factory(TFormKalibrBase::TKind::Mmp));
}

} // namespace tals
