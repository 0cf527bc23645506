#pragma once

// The tube error test: its stepping object, the measured points and the
// straight line x ≈ k·y + b that maps the measured distances (y) onto the
// set distances (x); each point's deviation from that line is its error.

#include "device/test_distances.h"

#include <vector>

namespace tals {

class TTestTube : public TTestDistances
{
public:
    TTestTube() : TTestDistances(0, 6000, 100) {}

    // +1 forwards, -1 backwards.
    int Direction() const { return m_direction; }
    // Only -1 and +1 are taken.
    void SetDirection(int direction);

private:
    int m_direction = -1;
};

struct TTubePoint
{
    double X = 0; // set distance
    double Y = 0; // measured distance, or the error
};

struct TTubeFit
{
    double Slope = 0;  // k
    double Offset = 0; // b
};

// The measured points in ascending set distance.
class TTubeMeasurements
{
public:
    const std::vector<TTubePoint> &Points() const { return m_points; }
    bool IsEmpty() const { return m_points.empty(); }
    void Clear() { m_points.clear(); }
    // Adds (setDistance, measured); a point at exactly that set distance takes
    // the new measured value instead.
    void Record(double setDistance, double measured);

    // Least squares of x on y. Fewer than two points or equal measured values
    // give k = b = 0.
    TTubeFit Fit() const;
    // (x, x - (k·y + b)) for every point, in the same order.
    std::vector<TTubePoint> Errors(const TTubeFit &fit) const;

private:
    std::vector<TTubePoint> m_points;
};

} // namespace tals
