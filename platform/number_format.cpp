#include "platform/number_format.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <string>

namespace tals {

namespace {

// A finite value as 0.digits x 10^exponent; no digits means zero.
struct TDecimal
{
    bool negative = false;
    std::string digits;
    int exponent = 0;
};

TDecimal ToDecimal(double value)
{
    TDecimal dec;
    dec.negative = std::signbit(value);
    const double magnitude = std::fabs(value);
    if (magnitude == 0)
        return dec;
    // The shortest form that reads back as the same double.
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::scientific);
    const std::string text(buf, res.ptr);
    const std::size_t e = text.find('e');
    std::string mantissa = text.substr(0, e);
    mantissa.erase(std::remove(mantissa.begin(), mantissa.end(), '.'), mantissa.end());
    dec.digits = mantissa;
    dec.exponent = std::stoi(text.substr(e + 1)) + 1;
    while (!dec.digits.empty() && dec.digits.back() == '0')
        dec.digits.pop_back();
    return dec;
}

// Keeps at most `count` significant digits, rounding half away from zero.
void RoundDigits(TDecimal &dec, int count)
{
    if (dec.digits.empty() || count >= int(dec.digits.size()))
        return;
    if (count < 0) {
        dec.digits.clear();
        return;
    }
    const bool up = dec.digits[std::size_t(count)] >= '5';
    dec.digits.resize(std::size_t(count));
    if (up) {
        int i = count - 1;
        for (; i >= 0; --i) {
            if (dec.digits[std::size_t(i)] == '9') {
                dec.digits[std::size_t(i)] = '0';
            } else {
                ++dec.digits[std::size_t(i)];
                break;
            }
        }
        if (i < 0) {
            dec.digits.insert(dec.digits.begin(), '1');
            ++dec.exponent;
        }
    }
    while (!dec.digits.empty() && dec.digits.back() == '0')
        dec.digits.pop_back();
}

QString SpecialText(double value)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
}

QString ExponentText(int exponent, int minDigits, bool plusSign, QChar letter = QLatin1Char('E'))
{
    QString text(letter);
    if (exponent < 0)
        text += QLatin1Char('-');
    else if (plusSign)
        text += QLatin1Char('+');
    text += QString::number(std::abs(exponent)).rightJustified(minDigits, QLatin1Char('0'));
    return text;
}

QString Digit(const TDecimal &dec, int index)
{
    if (index < 0 || index >= int(dec.digits.size()))
        return QStringLiteral("0");
    return QString(QLatin1Char(dec.digits[std::size_t(index)]));
}

QString GeneralText(double value, int precision, int expDigits, const TFormatSettings &s)
{
    TDecimal dec = ToDecimal(value);
    RoundDigits(dec, precision);
    if (dec.digits.empty())
        return QStringLiteral("0");
    const QString digits = QString::fromLatin1(dec.digits.data(), qsizetype(dec.digits.size()));
    QString text;
    if (dec.exponent > precision || dec.exponent < -3) {
        text = digits.left(1);
        if (digits.size() > 1)
            text += s.DecimalSeparator + digits.mid(1);
        text += ExponentText(dec.exponent - 1, expDigits, false);
    } else if (dec.exponent <= 0) {
        text = QStringLiteral("0") + s.DecimalSeparator + QString(-dec.exponent, QLatin1Char('0')) +
               digits;
    } else {
        text = digits.left(dec.exponent).leftJustified(dec.exponent, QLatin1Char('0'));
        if (digits.size() > dec.exponent)
            text += s.DecimalSeparator + digits.mid(dec.exponent);
    }
    return dec.negative ? QLatin1Char('-') + text : text;
}

// Mantissa with `afterPoint` decimals and an exponent: d.ddd E+dd.
QString ScientificText(double value, int significant, int expDigits, bool plusSign, QChar letter,
                       const TFormatSettings &s)
{
    TDecimal dec = ToDecimal(value);
    RoundDigits(dec, significant);
    const bool zero = dec.digits.empty();
    QString text = zero ? QStringLiteral("0") : Digit(dec, 0);
    if (significant > 1) {
        text += s.DecimalSeparator;
        for (int i = 1; i < significant; ++i)
            text += Digit(dec, i);
    }
    text += ExponentText(zero ? 0 : dec.exponent - 1, expDigits, plusSign, letter);
    return dec.negative && !zero ? QLatin1Char('-') + text : text;
}

QString Grouped(const QString &integer, QChar separator)
{
    if (separator.isNull())
        return integer;
    QString out;
    const qsizetype n = integer.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            out += separator;
        out += integer[i];
    }
    return out;
}

// Magnitude in fixed notation, already rounded; false with an empty text
// when the integer part would have more than maxIntegerDigits digits.
bool FixedMagnitude(const TDecimal &dec, int decimals, bool grouping, int maxIntegerDigits,
                    const TFormatSettings &s, QString &text)
{
    if (!dec.digits.empty() && dec.exponent > maxIntegerDigits)
        return false;
    QString integer;
    if (dec.digits.empty() || dec.exponent <= 0) {
        integer = QStringLiteral("0");
    } else {
        for (int i = 0; i < dec.exponent; ++i)
            integer += Digit(dec, i);
    }
    text = grouping ? Grouped(integer, s.ThousandSeparator) : integer;
    if (decimals > 0) {
        text += s.DecimalSeparator;
        for (int k = 0; k < decimals; ++k)
            text += dec.digits.empty() ? QStringLiteral("0") : Digit(dec, dec.exponent + k);
    }
    return true;
}

TDecimal RoundedForFixed(double value, int precision, int decimals)
{
    TDecimal dec = ToDecimal(value);
    if (!dec.digits.empty())
        RoundDigits(dec, std::min(precision, dec.exponent + decimals));
    return dec;
}

QString CurrencyText(const QString &amount, bool negative, const TFormatSettings &s)
{
    const QString &c = s.CurrencyString;
    if (!negative) {
        switch (s.CurrencyFormat) {
        case 0:
            return c + amount;
        case 1:
            return amount + c;
        case 2:
            return c + QLatin1Char(' ') + amount;
        default:
            return amount + QLatin1Char(' ') + c;
        }
    }
    const QString a = amount;
    switch (s.NegCurrFormat) {
    case 0:
        return QLatin1Char('(') + c + a + QLatin1Char(')');
    case 1:
        return QLatin1Char('-') + c + a;
    case 2:
        return c + QLatin1Char('-') + a;
    case 3:
        return c + a + QLatin1Char('-');
    case 4:
        return QLatin1Char('(') + a + c + QLatin1Char(')');
    case 5:
        return QLatin1Char('-') + a + c;
    case 6:
        return a + QLatin1Char('-') + c;
    case 7:
        return a + c + QLatin1Char('-');
    case 9:
        return QStringLiteral("-") + c + QLatin1Char(' ') + a;
    case 10:
        return a + QLatin1Char(' ') + c + QLatin1Char('-');
    case 11:
        return c + QLatin1Char(' ') + a + QLatin1Char('-');
    case 12:
        return c + QStringLiteral(" -") + a;
    case 13:
        return a + QStringLiteral("- ") + c;
    case 14:
        return QStringLiteral("(") + c + QLatin1Char(' ') + a + QLatin1Char(')');
    case 15:
        return QLatin1Char('(') + a + QLatin1Char(' ') + c + QLatin1Char(')');
    default:
        return QLatin1Char('-') + a + QLatin1Char(' ') + c;
    }
}

} // namespace

QString FloatToStrF(double value, TFloatFormat format, int precision, int digits,
                    const TFormatSettings &s)
{
    if (!std::isfinite(value))
        return SpecialText(value);
    precision = std::clamp(precision, 1, 18);
    switch (format) {
    case ffExponent:
        return ScientificText(value, precision, std::clamp(digits, 0, 4), true, QLatin1Char('E'),
                              s);
    case ffFixed:
    case ffNumber:
    case ffCurrency: {
        digits = std::clamp(digits, 0, 18);
        const TDecimal dec = RoundedForFixed(value, precision, digits);
        QString magnitude;
        if (!FixedMagnitude(dec, digits, format != ffFixed, precision, s, magnitude))
            return GeneralText(value, precision, 0, s);
        const bool negative = dec.negative && !dec.digits.empty();
        if (format == ffCurrency)
            return CurrencyText(magnitude, negative, s);
        return negative ? QLatin1Char('-') + magnitude : magnitude;
    }
    case ffGeneral:
    default:
        return GeneralText(value, precision, std::clamp(digits, 0, 4), s);
    }
}

QString FloatToStrF(double value, TFloatFormat format, int precision, int digits)
{
    return FloatToStrF(value, format, precision, digits, FormatSettings());
}

QString FloatToStrF(double value, int formatCode, int precision, int digits)
{
    const TFloatFormat format =
        formatCode >= ffGeneral && formatCode <= ffCurrency ? TFloatFormat(formatCode) : ffGeneral;
    return FloatToStrF(value, format, precision, digits);
}

QString FloatToStr(double value)
{
    return FloatToStrF(value, ffGeneral, 15, 0);
}

QString FloatToStr(double value, const TFormatSettings &s)
{
    return FloatToStrF(value, ffGeneral, 15, 0, s);
}

QString FormatFloat(const QString &format, double value, const TFormatSettings &s)
{
    QString out;
    const qsizetype n = format.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = format[i];
        if (c != QLatin1Char('%') || i + 1 >= n) {
            out += c;
            continue;
        }
        if (format[i + 1] == QLatin1Char('%')) {
            out += QLatin1Char('%');
            ++i;
            continue;
        }
        qsizetype j = i + 1;
        bool left = false, zeroPad = false, plus = false;
        for (; j < n; ++j) {
            const QChar f = format[j];
            if (f == QLatin1Char('-'))
                left = true;
            else if (f == QLatin1Char('0'))
                zeroPad = true;
            else if (f == QLatin1Char('+'))
                plus = true;
            else
                break;
        }
        int width = 0;
        for (; j < n && format[j].isDigit() && width < 1000; ++j)
            width = width * 10 + format[j].digitValue();
        int prec = -1;
        if (j < n && format[j] == QLatin1Char('.')) {
            prec = 0;
            for (++j; j < n && format[j].isDigit() && prec < 1000; ++j)
                prec = prec * 10 + format[j].digitValue();
        }
        if (j >= n) { // an unfinished conversion stays as written
            out += format.mid(i);
            break;
        }
        const QChar conv = format[j];
        QString text;
        bool numeric = true;
        if (!std::isfinite(value) && conv != QLatin1Char('s')) {
            text = SpecialText(value);
        } else if (conv == QLatin1Char('f') || conv == QLatin1Char('F')) {
            const int decimals = prec < 0 ? 6 : prec;
            const TDecimal dec = RoundedForFixed(value, INT_MAX / 2, decimals);
            FixedMagnitude(dec, decimals, false, INT_MAX, s, text);
            if (dec.negative && !dec.digits.empty())
                text.prepend(QLatin1Char('-'));
        } else if (conv == QLatin1Char('e') || conv == QLatin1Char('E')) {
            text = ScientificText(value, (prec < 0 ? 6 : prec) + 1, 2, true, conv, s);
        } else if (conv == QLatin1Char('g') || conv == QLatin1Char('G')) {
            text = GeneralText(value, prec < 0 ? 6 : std::clamp(prec, 1, 18), 2, s);
        } else if (conv == QLatin1Char('d') || conv == QLatin1Char('i')) {
            const double r = std::round(value);
            const long long v = std::fabs(r) < 9.2e18 ? static_cast<long long>(r) : 0;
            text = QString::number(v < 0 ? -v : v);
            if (prec > 0)
                text = text.rightJustified(prec, QLatin1Char('0'));
            if (v < 0)
                text.prepend(QLatin1Char('-'));
        } else if (conv == QLatin1Char('s')) {
            text = FloatToStr(value, s);
            if (prec >= 0)
                text.truncate(prec);
            numeric = false;
        } else { // unknown conversion: kept literally
            out += format.mid(i, j - i + 1);
            i = j;
            continue;
        }
        if (numeric && plus && !text.startsWith(QLatin1Char('-')))
            text.prepend(QLatin1Char('+'));
        if (text.size() < width) {
            if (left) {
                text = text.leftJustified(width, QLatin1Char(' '));
            } else if (zeroPad && numeric && std::isfinite(value)) {
                const qsizetype signLen =
                    text.startsWith(QLatin1Char('-')) || text.startsWith(QLatin1Char('+')) ? 1 : 0;
                text.insert(signLen, QString(width - text.size(), QLatin1Char('0')));
            } else {
                text = text.rightJustified(width, QLatin1Char(' '));
            }
        }
        out += text;
        i = j;
    }
    return out;
}

QString FormatFloat(const QString &format, double value)
{
    return FormatFloat(format, value, FormatSettings());
}

bool TryStrToFloat(const QString &text, double &value, const TFormatSettings &s)
{
    const QString t = text.trimmed();
    std::string ascii;
    ascii.reserve(std::size_t(t.size()));
    qsizetype i = 0;
    const qsizetype n = t.size();
    if (i < n && (t[i] == QLatin1Char('+') || t[i] == QLatin1Char('-'))) {
        if (t[i] == QLatin1Char('-'))
            ascii += '-';
        ++i;
    }
    int mantissaDigits = 0;
    bool separator = false;
    for (; i < n; ++i) {
        const QChar c = t[i];
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            ascii += char(c.unicode());
            ++mantissaDigits;
        } else if (c == s.DecimalSeparator && !separator) {
            ascii += '.';
            separator = true;
        } else {
            break;
        }
    }
    if (mantissaDigits == 0)
        return false;
    if (i < n && (t[i] == QLatin1Char('e') || t[i] == QLatin1Char('E'))) {
        ascii += 'e';
        ++i;
        if (i < n && (t[i] == QLatin1Char('+') || t[i] == QLatin1Char('-'))) {
            ascii += char(t[i].unicode());
            ++i;
        }
        int exponentDigits = 0;
        for (; i < n && t[i] >= QLatin1Char('0') && t[i] <= QLatin1Char('9'); ++i) {
            ascii += char(t[i].unicode());
            ++exponentDigits;
        }
        if (exponentDigits == 0)
            return false;
    }
    if (i != n)
        return false;
    double result = 0;
    const auto res = std::from_chars(ascii.data(), ascii.data() + ascii.size(), result);
    if (res.ec != std::errc() || res.ptr != ascii.data() + ascii.size() || !std::isfinite(result))
        return false;
    value = result;
    return true;
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
    QString t = text.trimmed();
    bool negative = false;
    if (t.startsWith(QLatin1Char('-')) || t.startsWith(QLatin1Char('+'))) {
        negative = t[0] == QLatin1Char('-');
        t.remove(0, 1);
    }
    int base = 10;
    if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        base = 16;
        t.remove(0, 2);
    } else if (t.startsWith(QLatin1Char('$'))) {
        base = 16;
        t.remove(0, 1);
    }
    if (t.isEmpty() || t.size() > 20)
        return false;
    long long v = 0;
    for (const QChar c : t) {
        int d = -1;
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            d = c.unicode() - '0';
        else if (base == 16 && c.toLower() >= QLatin1Char('a') && c.toLower() <= QLatin1Char('f'))
            d = c.toLower().unicode() - 'a' + 10;
        if (d < 0)
            return false;
        v = v * base + d;
        if (v > 0x100000000LL)
            return false;
    }
    if (negative)
        v = -v;
    // Hexadecimal texts may spell a negative value in two's complement ($FFFFFFFF = -1).
    if (base == 16 && !negative && v > INT_MAX && v <= 0xFFFFFFFFLL)
        v -= 0x100000000LL;
    if (v < INT_MIN || v > INT_MAX)
        return false;
    value = int(v);
    return true;
}

int StrToIntDef(const QString &text, int def)
{
    int v = def;
    return TryStrToInt(text, v) ? v : def;
}

} // namespace tals
