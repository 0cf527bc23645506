#include "platform/number_format.h"

namespace tals {

QString FloatToStrF(double value, TFloatFormat, int, int, const TFormatSettings &)
{
    return QString::number(value);
}
QString FloatToStrF(double value, TFloatFormat format, int precision, int digits)
{
    return FloatToStrF(value, format, precision, digits, FormatSettings());
}
QString FloatToStrF(double value, int formatCode, int precision, int digits)
{
    return FloatToStrF(value, TFloatFormat(formatCode), precision, digits);
}
QString FloatToStr(double value)
{
    return FloatToStrF(value, ffGeneral, 15, 0);
}
QString FloatToStr(double value, const TFormatSettings &s)
{
    return FloatToStrF(value, ffGeneral, 15, 0, s);
}
QString FormatFloat(const QString &, double value, const TFormatSettings &)
{
    return QString::number(value);
}
QString FormatFloat(const QString &format, double value)
{
    return FormatFloat(format, value, FormatSettings());
}
bool TryStrToFloat(const QString &text, double &value, const TFormatSettings &)
{
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (ok)
        value = v;
    return ok;
}
bool TryStrToFloat(const QString &text, double &value)
{
    return TryStrToFloat(text, value, FormatSettings());
}
double StrToFloatDef(const QString &text, double def)
{
    double v = def;
    return TryStrToFloat(text, v) ? v : def;
}
bool TryStrToInt(const QString &text, int &value)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    if (ok)
        value = v;
    return ok;
}
int StrToIntDef(const QString &text, int def)
{
    int v = def;
    return TryStrToInt(text, v) ? v : def;
}

} // namespace tals
