#pragma once

// The stepping object of the measurement error test: reference distances from
// StartDistance to StopDistance in steps of Offset, the current one at Index.
// One object lives for the whole run, so its settings survive the window.

namespace tals {

class TTestDistances
{
public:
    TTestDistances() = default;
    TTestDistances(double start, double stop, double offset)
        : m_start(start), m_stop(stop), m_offset(offset)
    {}
    virtual ~TTestDistances() = default;

    double StartDistance() const { return m_start; }
    double StopDistance() const { return m_stop; }
    double Offset() const { return m_offset; }
    int Index() const { return m_index; }

    // Nothing when start > stop.
    void SetRange(double stop, double start);
    // Nothing unless x > 0.
    void SetOffset(double x);

    double IdealDistance() const { return m_index * m_offset + m_start; }
    // (Stop - Start) / Offset rounded to the nearest integer, ties to even.
    int LastIndex() const;

    void First() { m_index = 0; }
    // One step further unless that passes StopDistance.
    bool Next();
    bool Prior();
    // May lie up to half a step beyond StopDistance.
    void Last() { m_index = LastIndex(); }

private:
    double m_start = 1000;
    double m_stop = 16000;
    double m_offset = 50;
    int m_index = 0;
};

} // namespace tals
