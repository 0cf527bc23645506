#include "ui/views/number_text.h"

#include "platform/format_settings.h"

#include <algorithm>
#include <cmath>

namespace tals {

QString NumberText(double value, int precision, int digits)
{
    precision = std::clamp(precision, 1, 18);
    digits = std::clamp(digits, 0, 18);
    if (!std::isfinite(value))
        return std::isnan(value) ? QStringLiteral("NAN")
                                 : (value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF"));
    const TFormatSettings &settings = FormatSettings();
    const double rounded = QString::number(value, 'g', precision).toDouble();
    const double magnitude = std::fabs(rounded);
    if (magnitude >= 1 && std::floor(std::log10(magnitude)) + 1 > precision) {
        QString text = QString::number(rounded, 'G', precision);
        return text.replace(QLatin1Char('.'), settings.DecimalSeparator);
    }
    QString text = QString::number(magnitude, 'f', digits);
    const qsizetype point = text.indexOf(QLatin1Char('.'));
    QString integer = point < 0 ? text : text.left(point);
    const QString fraction = point < 0 ? QString() : text.mid(point + 1);
    if (!settings.ThousandSeparator.isNull()) {
        for (qsizetype i = integer.size() - 3; i > 0; i -= 3)
            integer.insert(i, settings.ThousandSeparator);
    }
    QString result = integer;
    if (!fraction.isEmpty())
        result += settings.DecimalSeparator + fraction;
    const bool zero = std::all_of(text.begin(), text.end(), [](QChar c) {
        return c == QLatin1Char('0') || c == QLatin1Char('.');
    });
    if (rounded < 0 && !zero)
        result.prepend(QLatin1Char('-'));
    return result;
}

} // namespace tals
