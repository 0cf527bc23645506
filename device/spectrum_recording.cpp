#include "device/spectrum_recording.h"

#include <algorithm>

namespace tals {

TSpectrumRecording::TSpectrumRecording(int capacity, QObject *parent)
    : QObject(parent), m_capacity(std::max(1, capacity))
{}

void TSpectrumRecording::Start()
{
    m_curves.clear();
    m_active = true;
    emit Reset();
}

void TSpectrumRecording::Stop()
{
    m_active = false;
}

bool TSpectrumRecording::Add(TEchoCurve curve)
{
    if (!m_active)
        return false;
    m_curves.push_back(std::move(curve));
    while (int(m_curves.size()) > m_capacity)
        m_curves.pop_front();
    emit Added();
    return true;
}

void TSpectrumRecording::Assign(std::vector<TEchoCurve> curves)
{
    m_curves.clear();
    const std::size_t skip =
        curves.size() > std::size_t(m_capacity) ? curves.size() - std::size_t(m_capacity) : 0;
    for (std::size_t i = skip; i < curves.size(); ++i)
        m_curves.push_back(std::move(curves[i]));
    emit Reset();
}

} // namespace tals
