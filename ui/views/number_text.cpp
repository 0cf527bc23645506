#include "ui/views/number_text.h"

#include <QLocale>

#include <algorithm>
#include <cmath>

namespace tals {

QString NumberText(double value, int precision, int digits)
{
    precision = std::clamp(precision, 1, 18);
    digits = std::clamp(digits, 0, 18);
    if (!std::isfinite(value))
        return QString::number(value);
    const double rounded = QString::number(value, 'g', precision).toDouble();
    const double magnitude = std::fabs(rounded);
    if (magnitude >= 1 && std::floor(std::log10(magnitude)) + 1 > precision)
        return QString::number(rounded, 'E', precision - 1);
    QLocale locale;
    locale.setNumberOptions(QLocale::DefaultNumberOptions);
    return locale.toString(rounded, 'f', digits);
}

} // namespace tals
