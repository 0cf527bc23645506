#include "storage/trend_csv.h"

#include "platform/format_settings.h"

#include <QSaveFile>

#include <cmath>
#include <limits>

namespace tals {

namespace {

qint64 Millis(TDateTime dt)
{
    return std::llround(dt * MSecsPerDay);
}

QString Field(const QString &text, QChar separator)
{
    if (!text.contains(separator) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString Number(double v, TCsvFormat format)
{
    if (!std::isfinite(v))
        return QString();
    QString text = QString::number(v, 'g', 15);
    if (format == TCsvFormat::Russian)
        text.replace(QLatin1Char('.'), QLatin1Char(','));
    return text;
}

// The journal's stamp, its milliseconds only when there are any.
QString RussianDateTime(TDateTime dt)
{
    QString text = JournalStamp(dt);
    if (text.endsWith(QLatin1String(",000")))
        text.chop(4);
    return text;
}

} // namespace

QString IsoDateTime(TDateTime dt)
{
    int y, m, d, h, n, s, z;
    DecodeDateTime(dt, y, m, d, h, n, s, z);
    QString text = QStringLiteral("%1-%2-%3T%4:%5:%6")
                       .arg(y, 4, 10, QLatin1Char('0'))
                       .arg(m, 2, 10, QLatin1Char('0'))
                       .arg(d, 2, 10, QLatin1Char('0'))
                       .arg(h, 2, 10, QLatin1Char('0'))
                       .arg(n, 2, 10, QLatin1Char('0'))
                       .arg(s, 2, 10, QLatin1Char('0'));
    if (z != 0)
        text += QStringLiteral(".%1").arg(z, 3, 10, QLatin1Char('0'));
    return text;
}

TCsvFormat LocaleCsvFormat()
{
    return FormatSettings().DecimalSeparator == QLatin1Char(',') ? TCsvFormat::Russian
                                                                 : TCsvFormat::Iso;
}

QByteArray TrendCsv(const std::vector<TCsvSeries> &series, TCsvFormat format)
{
    const QChar separator = format == TCsvFormat::Russian ? QLatin1Char(';') : QLatin1Char(',');
    QString text;
    text += QStringLiteral("Время");
    for (const TCsvSeries &s : series)
        text += separator + Field(s.title, separator);
    text += QLatin1String("\r\n");

    // A merge over the series: each row takes the earliest time still pending.
    std::vector<std::size_t> next(series.size(), 0);
    QByteArray out("\xEF\xBB\xBF");
    out += text.toUtf8();
    for (;;) {
        qint64 time = std::numeric_limits<qint64>::max();
        TDateTime dt = 0;
        for (std::size_t i = 0; i < series.size(); ++i) {
            if (next[i] < series[i].rows.size()) {
                const qint64 t = Millis(series[i].rows[next[i]].DT);
                if (t < time) {
                    time = t;
                    dt = series[i].rows[next[i]].DT;
                }
            }
        }
        if (time == std::numeric_limits<qint64>::max())
            break;
        QString line = format == TCsvFormat::Russian ? RussianDateTime(dt) : IsoDateTime(dt);
        for (std::size_t i = 0; i < series.size(); ++i) {
            line += separator;
            const auto &rows = series[i].rows;
            // Several points of one series at one time: the last one counts.
            double value = 0;
            bool found = false;
            while (next[i] < rows.size() && Millis(rows[next[i]].DT) == time) {
                value = rows[next[i]].V;
                found = true;
                ++next[i];
            }
            if (found)
                line += Number(value, format);
        }
        line += QLatin1String("\r\n");
        out += line.toUtf8();
    }
    return out;
}

bool WriteTrendCsv(const QString &path, const std::vector<TCsvSeries> &series, TCsvFormat format)
{
    if (path.isEmpty())
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = TrendCsv(series, format);
    if (file.write(bytes) != bytes.size())
        return false;
    return file.commit();
}

} // namespace tals
