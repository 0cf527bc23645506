#pragma once

// The dynamically typed value carried by the value holders: an integer, a
// Boolean or a real number. Values of different kinds compare by value
// (integer 0 equals real 0.0); a Boolean counts as 0 (false) or -1 (true).

#include <QString>
#include <QtGlobal>

#include <concepts>

namespace tals {

class TVariant
{
public:
    enum class TKind { Integer, Boolean, Real };

    TVariant() = default;
    TVariant(bool value) : m_kind(TKind::Boolean), m_integer(value ? -1 : 0) {}
    template <std::integral T>
    requires(!std::same_as<T, bool>) TVariant(T value)
        : m_kind(TKind::Integer), m_integer(static_cast<qint64>(value))
    {}
    template <std::floating_point T>
    TVariant(T value) : m_kind(TKind::Real), m_real(static_cast<double>(value))
    {}

    TKind Kind() const { return m_kind; }
    bool IsReal() const { return m_kind == TKind::Real; }

    // The value as an integer: reals are rounded half to even; a real that is
    // not finite or does not fit throws std::range_error.
    qint64 ToInteger() const;
    double ToDouble() const;
    // Non-zero is true.
    bool ToBool() const;
    QString ToString() const;

    // Exact comparison by value, without tolerance.
    bool operator==(const TVariant &other) const;
    bool operator!=(const TVariant &other) const { return !(*this == other); }

private:
    TKind m_kind = TKind::Integer;
    qint64 m_integer = 0; // Integer and Boolean (0 or -1)
    double m_real = 0.0;
};

} // namespace tals
