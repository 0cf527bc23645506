#include "device/fft_calibration.h"

#include "device/tals352.h"
#include "platform/format_settings.h"
#include "platform/number_format.h"

#include <algorithm>
#include <cmath>

namespace tals {

int CalibrPointCount(int count)
{
    return std::clamp(count, 0, 5);
}

int CalibrCurrentPoint(const TCalibrTable &table, int count, double reading)
{
    const int n = CalibrPointCount(count);
    for (int i = 0; i < n; ++i) {
        const double set = table.Points[std::size_t(i)].SetValue;
        if (set - table.Tolerance <= reading && reading <= set + table.Tolerance)
            return i + 1;
    }
    return 0;
}

int CaptureCalibrPoint(TCalibrTable &table, int count, double reading)
{
    const int point = CalibrCurrentPoint(table, count, reading);
    if (point > 0)
        table.Points[std::size_t(point - 1)].Measured = reading;
    return point;
}

TCalibrFit FitCalibrLine(const TCalibrTable &table, int count, double slope, double offset)
{
    TCalibrFit fit;
    const int n = CalibrPointCount(count);
    if (n < 2 || slope == 0)
        return fit;
    double x[5] = {};
    double y[5] = {};
    double sumX = 0;
    double sumY = 0;
    for (int i = 0; i < n; ++i) {
        const TCalibrPoint &p = table.Points[std::size_t(i)];
        x[i] = (p.Measured - offset) / slope;
        y[i] = p.SetValue;
        sumX += x[i];
        sumY += y[i];
    }
    const double meanX = sumX / n;
    const double meanY = sumY / n;
    double sxx = 0;
    double sxy = 0;
    for (int i = 0; i < n; ++i) {
        sxx += (x[i] - meanX) * (x[i] - meanX);
        sxy += y[i] * (x[i] - meanX);
    }
    if (sxx == 0 || !std::isfinite(sxx))
        return fit;
    fit.Slope = sxy / sxx;
    fit.Offset = meanY - fit.Slope * meanX;
    fit.Ok = std::isfinite(fit.Slope) && std::isfinite(fit.Offset);
    return fit;
}

TFftFitOutcome FitFftCalibration(Ttals352 &model)
{
    TFftFitOutcome outcome;
    TCalibrFitBase &base = model.FftFitBase;
    outcome.Repeated = base.Covers(model.CalibrTable, model.CalibrMode());
    if (!outcome.Repeated)
        base = {true, model.CalibrTable, model.CalibrMode(), model.KrPer(), model.SmPer()};
    // The residual chart shows the captures under the coefficients they were taken with.
    model.PrevKrPer = base.Slope;
    model.PrevSmPer = base.Offset;
    outcome.Fit = FitCalibrLine(model.CalibrTable, model.CalibrMode(), base.Slope, base.Offset);
    if (!outcome.Fit.Ok)
        return outcome;
    outcome.Refusal = CalibrRangeRefusal(
        {{QStringLiteral("Крутизна характеристики преобразования"), outcome.Fit.Slope,
          model.PropertyMin(TProp::KrPer), model.PropertyMax(TProp::KrPer)},
         {QStringLiteral("Смещение нуля"), outcome.Fit.Offset, model.PropertyMin(TProp::SmPer),
          model.PropertyMax(TProp::SmPer)}});
    if (!outcome.Refusal.isEmpty())
        return outcome;
    model.SetKrPer(outcome.Fit.Slope);
    model.SetSmPer(outcome.Fit.Offset);
    outcome.Applied = true;
    return outcome;
}

QString CalibrRangeRefusal(std::initializer_list<TCalibrRangeCheck> checks)
{
    for (const TCalibrRangeCheck &c : checks)
        if (!(c.Value >= c.Minimum && c.Value <= c.Maximum))
            return QStringLiteral("%1 = %2 вне диапазона от %3 до %4.\rКоэффициенты не изменены.")
                .arg(c.Name, FloatToStrF(c.Value, ffGeneral, 15, 0),
                     FloatToStrF(c.Minimum, ffGeneral, 15, 0),
                     FloatToStrF(c.Maximum, ffGeneral, 15, 0));
    return QString();
}

std::vector<TCalibrResidual> CalibrResiduals(const TCalibrTable &table, int count, double kr,
                                             double sm, double prevKr, double prevSm)
{
    std::vector<TCalibrResidual> points;
    if (prevKr == 0)
        return points;
    const int n = CalibrPointCount(count);
    for (int i = 0; i < n; ++i) {
        const TCalibrPoint &p = table.Points[std::size_t(i)];
        points.push_back({p.SetValue, sm + kr * (p.Measured - prevSm) / prevKr - p.SetValue});
    }
    std::stable_sort(
        points.begin(), points.end(),
        [](const TCalibrResidual &a, const TCalibrResidual &b) { return a.Set < b.Set; });
    return points;
}

std::vector<TCalibrResidual> FftResiduals(const Ttals352 &model)
{
    return CalibrResiduals(model.CalibrTable, model.CalibrMode(), model.KrPer(), model.SmPer(),
                           model.PrevKrPer, model.PrevSmPer);
}

bool ResidualsBeyondFixedRange(const std::vector<TCalibrResidual> &points)
{
    return std::any_of(points.begin(), points.end(), [](const TCalibrResidual &p) {
        return std::fabs(p.Error) > kResidualFixedRange;
    });
}

std::vector<TCalibrReportRow> CalibrReportRows(const std::vector<TCalibrResidual> &points)
{
    std::vector<TCalibrResidual> sorted = points;
    std::stable_sort(
        sorted.begin(), sorted.end(),
        [](const TCalibrResidual &a, const TCalibrResidual &b) { return a.Set > b.Set; });
    std::vector<TCalibrReportRow> rows(5);
    for (std::size_t k = 0; k < rows.size() && k < sorted.size(); ++k)
        rows[k] = {true, sorted[k].Set, sorted[k].Set + sorted[k].Error, sorted[k].Error};
    return rows;
}

QString CalibrSetText(double value)
{
    return FloatToStrF(value, ffFixed, 9, 0);
}

QString CalibrMeasuredText(double value)
{
    return FloatToStrF(value, ffFixed, 9, 1);
}

QString NormaliseDecimalText(const QString &text)
{
    QString result = text;
    const QChar separator = FormatSettings().DecimalSeparator;
    for (QChar c : {QLatin1Char('.'), QLatin1Char(',')}) {
        const qsizetype at = result.indexOf(c);
        if (at >= 0)
            result[at] = separator;
    }
    return result;
}

void ParseCalibrRow(TCalibrTable &table, int point, const QString &setText,
                    const QString &measuredText)
{
    if (point < 1 || point > int(table.Points.size()))
        return;
    TCalibrPoint &p = table.Points[std::size_t(point - 1)];
    double value = p.SetValue;
    if (TryStrToFloat(setText, value))
        p.SetValue = value;
    value = p.Measured;
    if (TryStrToFloat(measuredText, value))
        p.Measured = value;
}

} // namespace tals
