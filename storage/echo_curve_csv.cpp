#include "storage/echo_curve_csv.h"

#include <cmath>

namespace tals {

namespace {

QString Field(const QString &text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString Number(double v, int decimals)
{
    return std::isfinite(v) ? QString::number(v, 'f', decimals) : QString();
}

} // namespace

QByteArray EchoCurvesCsv(const std::vector<TCsvCurve> &curves)
{
    if (curves.empty() || !curves.front().Curve)
        return {};
    const TEchoCurve &first = *curves.front().Curve;
    const int bins = int(first.Values.size());
    std::vector<std::vector<double>> columns;
    for (const TCsvCurve &c : curves)
        columns.push_back(c.Curve == &first || !c.Curve
                              ? (c.Curve ? first.Decibels() : std::vector<double>())
                              : AlignedDecibels(*c.Curve, first.Scale, bins));

    QString text = QStringLiteral("Точка,") + Field(QStringLiteral("Расстояние, мм"));
    for (const TCsvCurve &c : curves)
        text += QLatin1Char(',') + Field(c.Title + QStringLiteral(", дБ"));
    text += QLatin1String("\r\n");
    for (int i = 0; i < bins; ++i) {
        text += QString::number(i) + QLatin1Char(',') +
                (first.Scale.Valid() ? Number(first.Scale.BinToMm(i), 1) : QString());
        for (const std::vector<double> &column : columns)
            text +=
                QLatin1Char(',') +
                (std::size_t(i) < column.size() ? Number(column[std::size_t(i)], 5) : QString());
        text += QLatin1String("\r\n");
    }
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

} // namespace tals
