#include "ui/windows/trend_chart.h"

#include "platform/format_settings.h"
#include "platform/number_format.h"

#include <cmath>

namespace tals {

namespace {

// Days from 30.12.1899 to 01.01.1970.
constexpr double kUnixEpochDays = 25569.0;

} // namespace

const TTrendWidth kTrendWidths[kTrendWidthCount] = {
    {"actSet5Min", "5 минут", 5.0 / 1440},
    {"actSet15Min", "15 минут", 15.0 / 1440},
    {"actSet30Min", "30 минут", 30.0 / 1440},
    {"actSet45Min", "45 минут", 45.0 / 1440},
    {"actSetOneHour", "1 час", 1.0 / 24},
    {"actSetSixHour", "6 часов", 6.0 / 24},
    {"actSetTwelveHour", "12 часов", 12.0 / 24},
    {"actSetOneDay", "1 день", 1},
    {"actSetThreeDay", "3 дня", 3},
    {"actSetOneWeek", "7 дней", 7},
    {"actSetTenDay", "10 дней", 10},
    {"actSetOneMonth", "1 месяц", 30},
};

double ChartKey(TDateTime dt)
{
    return (dt - kUnixEpochDays) * SecondsPerDay;
}

TDateTime ChartDateTime(double key)
{
    return key / SecondsPerDay + kUnixEpochDays;
}

QString ValuePattern(double value, int digits)
{
    if (!std::isfinite(value))
        return FloatToStr(value);
    digits = qBound(0, digits, 18);
    // Fixed notation first, then the integer part grouped by hand.
    QString text = FloatToStrF(value, ffFixed, 18, digits);
    const QChar separator = FormatSettings().DecimalSeparator;
    int end = digits > 0 ? int(text.lastIndexOf(separator)) : int(text.size());
    if (end < 0)
        end = int(text.size());
    const int begin = text.startsWith(QLatin1Char('-')) ? 1 : 0;
    for (int i = end - 3; i > begin; i -= 3)
        text.insert(i, QChar(0x00A0));
    return text;
}

QString TValueTicker::getTickLabel(double tick, const QLocale &, QChar, int)
{
    return ValuePattern(tick, m_digits);
}

void SetupTrendChart(QCustomPlot &chart, const QString &dateFormat)
{
    auto ticker = QSharedPointer<QCPAxisTickerDateTime>::create();
    ticker->setDateTimeSpec(Qt::UTC);
    ticker->setDateTimeFormat(dateFormat);
    ticker->setTickCount(6);
    chart.xAxis->setTicker(ticker);
    chart.yAxis->setTicker(QSharedPointer<TValueTicker>::create(1));

    chart.setPlottingHint(QCP::phFastPolylines, true);
    chart.setNotAntialiasedElements(QCP::aeAll);
    chart.setNoAntialiasingOnDrag(true);
    chart.setSelectionRectMode(QCP::srmZoom);
    chart.setInteraction(QCP::iRangeZoom, true);
    chart.axisRect()->setRangeZoom(Qt::Horizontal);
    chart.axisRect()->setRangeZoomFactor(0.85, 0.85);
}

} // namespace tals
