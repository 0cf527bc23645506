#include "device/number_text.h"

#if __has_include("platform/number_format.h")
#include "platform/number_format.h"
#define TALS_HAVE_NUMBER_FORMAT 1
#endif

#include <algorithm>

namespace tals {

QString FormatNumber(double value, quint8 format, quint8 precision, quint8 digits)
{
    const int p = std::min<int>(precision, 18);
#ifdef TALS_HAVE_NUMBER_FORMAT
    return FloatToStrF(value, static_cast<TFloatFormat>(std::min<int>(format, 4)), p, digits);
#else
    switch (format) {
    case 1:
        return QString::number(value, 'e', std::max(p - 1, 0));
    case 2:
    case 3:
    case 4:
        return QString::number(value, 'f', digits);
    default:
        return QString::number(value, 'g', p);
    }
#endif
}

} // namespace tals
