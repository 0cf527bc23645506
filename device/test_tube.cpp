#include "device/test_tube.h"

#include <algorithm>

namespace tals {

void TTestTube::SetDirection(int direction)
{
    if (direction == 1 || direction == -1)
        m_direction = direction;
}

void TTubeMeasurements::Record(double setDistance, double measured)
{
    const auto at = std::lower_bound(m_points.begin(), m_points.end(), setDistance,
                                     [](const TTubePoint &p, double x) { return p.X < x; });
    if (at != m_points.end() && at->X == setDistance) {
        at->Y = measured;
        return;
    }
    m_points.insert(at, {setDistance, measured});
}

TTubeFit TTubeMeasurements::Fit() const
{
    TTubeFit fit;
    const std::size_t n = m_points.size();
    if (n <= 1)
        return fit;
    double sumX = 0;
    double sumY = 0;
    for (const TTubePoint &p : m_points) {
        sumX += p.X;
        sumY += p.Y;
    }
    const double meanX = sumX / double(n);
    const double meanY = sumY / double(n);
    double syy = 0;
    double sxy = 0;
    for (const TTubePoint &p : m_points) {
        syy += (p.Y - meanY) * (p.Y - meanY);
        sxy += p.X * (p.Y - meanY);
    }
    if (syy != 0) {
        fit.Slope = sxy / syy;
        fit.Offset = meanX - meanY * fit.Slope;
    }
    return fit;
}

std::vector<TTubePoint> TTubeMeasurements::Errors(const TTubeFit &fit) const
{
    std::vector<TTubePoint> errors;
    errors.reserve(m_points.size());
    for (const TTubePoint &p : m_points)
        errors.push_back({p.X, p.X - (fit.Slope * p.Y + fit.Offset)});
    return errors;
}

} // namespace tals
