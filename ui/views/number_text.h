#pragma once

#include <QString>

namespace tals {

// A real number as text with thousands separators: at most `precision` significant
// digits and `digits` decimals, in the user's number format.
QString NumberText(double value, int precision, int digits);

} // namespace tals
