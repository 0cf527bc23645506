#pragma once

// Text renderings of real numbers in the conventional float-to-text formats
// and the conversion back, with the decimal and thousands separators of the
// settings in force (FormatSettings()).
//
// Rules of FloatToStrF(value, format, precision, digits):
// - The value is first taken as its shortest exact decimal form and then
//   rounded half away from zero to the digits the format keeps.
// - precision is clamped to 1..18 (above 18 counts as 18).
// - ffGeneral: precision significant digits, no trailing zeros, a decimal
//   separator only when needed. Scientific notation when the decimal
//   exponent is below -4 or not below precision, as "1.235E6" / "1E-5":
//   mantissa without trailing zeros, "E", a minus sign only for negative
//   exponents, at least `digits` exponent digits (0..4).
//   (1234567, 4, 0) -> "1.235E6"; (0.0001, 15, 0) -> "0.0001"; (0.00001) -> "1E-5".
// - ffExponent: "-d.ddd...E+dddd": precision significant digits, trailing
//   zeros kept, the exponent always signed with at least `digits` digits
//   (0..4). (1234.5, 4, 2) -> "1.235E+03".
// - ffFixed: "-ddd.ddd": exactly `digits` (0..18) digits after the
//   separator, at least one before it; the value is rounded to at most
//   precision significant digits, the rest padded with zeros
//   ((123456.789, 7, 2) -> "123456.80"). When the integer part has more than
//   precision digits the general format with precision is used instead.
// - ffNumber: as ffFixed with thousands separators in the integer part.
// - ffCurrency: as ffNumber, placed with the currency string by
//   CurrencyFormat / NegCurrFormat.
// - A result that rounds to zero carries no minus sign; infinities and NaN
//   are "INF", "-INF" and "NAN".

#include "platform/format_settings.h"

#include <QString>

namespace tals {

enum TFloatFormat { ffGeneral = 0, ffExponent = 1, ffFixed = 2, ffNumber = 3, ffCurrency = 4 };

// The value in the given format (see above) with the settings in force.
QString FloatToStrF(double value, TFloatFormat format, int precision, int digits);
QString FloatToStrF(double value, TFloatFormat format, int precision, int digits,
                    const TFormatSettings &settings);
// A format code 0..4 as stored in descriptions; other codes count as general.
QString FloatToStrF(double value, int formatCode, int precision, int digits);
// General format with 15 significant digits.
QString FloatToStr(double value);
QString FloatToStr(double value, const TFormatSettings &settings);

// printf-style rendering of one real: literal text, "%%", and one or more
// conversions %[-][0][width][.prec]f|e|g|d|s (d: rounded to an integer,
// s: FloatToStr), with the locale's decimal separator. "%10.3f", "%.0f".
QString FormatFloat(const QString &format, double value);
QString FormatFloat(const QString &format, double value, const TFormatSettings &settings);

// Text -> real with the locale's decimal separator: optional blanks around,
// optional sign, digits with at most one decimal separator, optional
// exponent (E or e, optional sign, digits). Any other character, e.g. a
// point under a comma locale or a thousands separator, fails. value is
// left unchanged on failure.
bool TryStrToFloat(const QString &text, double &value);
bool TryStrToFloat(const QString &text, double &value, const TFormatSettings &settings);
// As TryStrToFloat, giving def when the text does not convert.
double StrToFloatDef(const QString &text, double def);

// Text -> integer: optional blanks around, optional sign, decimal digits or
// a hexadecimal number with a "0x" or "$" prefix; must fit in 32 bits.
bool TryStrToInt(const QString &text, int &value);
int StrToIntDef(const QString &text, int def);

} // namespace tals
