#include "device/test_distances.h"

#include <cmath>

namespace tals {

void TTestDistances::SetRange(double stop, double start)
{
    if (start > stop)
        return;
    m_start = start;
    m_stop = stop;
}

void TTestDistances::SetOffset(double x)
{
    if (x > 0)
        m_offset = x;
}

int TTestDistances::LastIndex() const
{
    // nearbyint rounds halves to even in the default rounding mode.
    const double steps = std::nearbyint((m_stop - m_start) / m_offset);
    return static_cast<int>(steps);
}

bool TTestDistances::Next()
{
    if ((m_index + 1) * m_offset + m_start <= m_stop) {
        ++m_index;
        return true;
    }
    return false;
}

bool TTestDistances::Prior()
{
    if (m_index >= 1) {
        --m_index;
        return true;
    }
    return false;
}

} // namespace tals
