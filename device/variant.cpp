#include "device/variant.h"

#include <cmath>
#include <stdexcept>

namespace tals {

qint64 TVariant::ToInteger() const
{
    if (m_kind != TKind::Real)
        return m_integer;
    const double rounded = std::nearbyint(m_real);
    // 2^63 is exactly representable; anything at or beyond it does not fit.
    if (!std::isfinite(rounded) || rounded >= 9223372036854775808.0 ||
        rounded < -9223372036854775808.0)
        throw std::range_error("real value does not fit an integer");
    return static_cast<qint64>(rounded);
}

double TVariant::ToDouble() const
{
    return m_kind == TKind::Real ? m_real : static_cast<double>(m_integer);
}

bool TVariant::ToBool() const
{
    return m_kind == TKind::Real ? m_real != 0.0 : m_integer != 0;
}

QString TVariant::ToString() const
{
    switch (m_kind) {
    case TKind::Boolean:
        return m_integer ? QStringLiteral("True") : QStringLiteral("False");
    case TKind::Real:
        return QString::number(m_real, 'g', 15);
    case TKind::Integer:
        break;
    }
    return QString::number(m_integer);
}

bool TVariant::operator==(const TVariant &other) const
{
    if (m_kind == TKind::Real || other.m_kind == TKind::Real)
        return ToDouble() == other.ToDouble();
    return m_integer == other.m_integer;
}

} // namespace tals
