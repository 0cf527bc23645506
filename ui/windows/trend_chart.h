#pragma once

// What the trend windows share about their charts: the X keys (local wall
// time as seconds since 1970, drawn as UTC so no time-zone conversion is
// needed per point), the value pattern "# ##0.0…" of the axes, the twelve
// visible widths and the chart set-up for millions of points.

#include "platform/date_time.h"

#include <qcustomplot.h>

#include <QString>

namespace tals {

// TDateTime <-> chart key.
double ChartKey(TDateTime dt);
TDateTime ChartDateTime(double key);

// The value with digits decimals (0 .. 18), the integer part grouped by
// thousands with a non-breaking space, the locale's decimal separator.
QString ValuePattern(double value, int digits);

// Tick labels in ValuePattern with a fixed number of decimals.
class TValueTicker : public QCPAxisTicker
{
public:
    explicit TValueTicker(int digits) : m_digits(digits) {}
    void SetDigits(int digits) { m_digits = digits; }
    int Digits() const { return m_digits; }

protected:
    QString getTickLabel(double tick, const QLocale &locale, QChar formatChar,
                         int precision) override;

private:
    int m_digits;
};

// One of the visible widths of the time axis.
struct TTrendWidth
{
    const char *action;
    const char *caption;
    double days;
};
// Time-scale index 1 .. 12 is entry index - 1.
inline constexpr int kTrendWidthCount = 12;
extern const TTrendWidth kTrendWidths[kTrendWidthCount];
// The index of "1 день".
inline constexpr int kOneDayIndex = 8;

// Date-time bottom axis with the given label format (Qt notation), fast
// 1-pixel drawing, rectangle zoom with the left button and wheel zoom on X.
void SetupTrendChart(QCustomPlot &chart, const QString &dateFormat);

} // namespace tals
