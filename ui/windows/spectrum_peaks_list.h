#pragma once

// The list of the strongest echoes beside the spectrum chart: bin, distance
// and level of each peak; choosing a row asks for the cursor at its bin.

#include "device/spectrum_peaks.h"
#include "device/sweep_scale.h"

#include <QTableWidget>

#include <vector>

namespace tals {

class TSpectrumPeaksList : public QTableWidget
{
    Q_OBJECT

public:
    explicit TSpectrumPeaksList(QWidget *parent = nullptr);

    void SetPeaks(const std::vector<TSpectrumPeak> &peaks, const TSweepScale &scale);
    const std::vector<TSpectrumPeak> &Peaks() const { return m_peaks; }

signals:
    void PeakChosen(int bin);

private:
    std::vector<TSpectrumPeak> m_peaks;
};

} // namespace tals
