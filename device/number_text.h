#pragma once

// Real numbers as text in the number format codes of the value descriptions,
// with the user's decimal and thousands separators.

#include <QString>
#include <QtGlobal>

namespace tals {

// Format 0 general, 1 scientific, 2 fixed, 3 number, 4 currency; precision is
// capped at 18.
QString FormatNumber(double value, quint8 format, quint8 precision, quint8 digits);

} // namespace tals
