#pragma once

// The recording of successive echo curves while the periodic readout runs:
// kept in memory up to a bound (the oldest curve goes first), to be stepped
// and played through in the spectrum window. Widget-free.

#include "device/echo_curve.h"

#include <QObject>

#include <deque>
#include <vector>

namespace tals {

class TSpectrumRecording : public QObject
{
    Q_OBJECT

public:
    // An hour of curves at the shortest signal period (1 s): about 15 MB.
    static constexpr int kDefaultCapacity = 3600;

    explicit TSpectrumRecording(int capacity = kDefaultCapacity, QObject *parent = nullptr);

    // Recording on: the curves so far are dropped and every curve added is kept.
    void Start();
    void Stop();
    bool Active() const { return m_active; }

    // Keeps the curve when recording is on; true when kept.
    bool Add(TEchoCurve curve);
    // Replaces the curves by a series loaded from elsewhere (recording stays as it is).
    void Assign(std::vector<TEchoCurve> curves);

    int Count() const { return int(m_curves.size()); }
    int Capacity() const { return m_capacity; }
    // Curve i, 0 the oldest kept.
    const TEchoCurve &At(int index) const { return m_curves.at(std::size_t(index)); }

signals:
    // A curve was added at the end (the oldest may have gone).
    void Added();
    // The whole series changed (started, assigned).
    void Reset();

private:
    int m_capacity;
    bool m_active = false;
    std::deque<TEchoCurve> m_curves;
};

} // namespace tals
