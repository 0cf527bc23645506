#include "cli/value_text.h"

#include <charconv>
#include <cmath>

namespace tals::cli {

QString SingleText(double value)
{
    char buffer[64];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, static_cast<float>(value));
    return QString::fromLatin1(buffer, r.ptr - buffer);
}

QString ValueText(const TPropertyInfo &p, double value)
{
    if (!p.IsReal())
        return QString::number(static_cast<qint64>(value));
    if (p.Encoding == TEncoding::Single)
        return SingleText(value);
    char buffer[64];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, value);
    return QString::fromLatin1(buffer, r.ptr - buffer);
}

QJsonValue ValueJson(const TPropertyInfo &p, double value)
{
    if (!p.IsReal())
        return QJsonValue(static_cast<qint64>(value));
    // Through the text, so a single's 0.1 is written as 0.1.
    return QJsonValue(ValueText(p, value).toDouble());
}

std::optional<double> ParseValue(const TPropertyInfo &p, const QString &text)
{
    QString t = text.trimmed();
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double value = t.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    if (!p.IsReal() && value != std::floor(value))
        return std::nullopt;
    return value;
}

const TPropertyInfo *FindProperty(const QString &name)
{
    if (const TPropertyInfo *p = FindPropertyByName(name.toLatin1().constData()))
        return p;
    for (const TPropertyInfo &p : PropertyTable())
        if (name.compare(QLatin1String(p.Name), Qt::CaseInsensitive) == 0)
            return &p;
    return nullptr;
}

} // namespace tals::cli
