#pragma once

// The player of the recorded spectra under the chart: step back and forth,
// play and pause, a slider over the curves kept and a label with the time
// and the distance read with the curve shown. "Текущая" goes back to the
// curve last read, which follows every new readout.

#include <QWidget>

class QLabel;
class QSlider;
class QTimer;
class QToolButton;

namespace tals {

class TSpectrumRecording;

class TSpectrumPlayer : public QWidget
{
    Q_OBJECT

public:
    explicit TSpectrumPlayer(TSpectrumRecording &recording, QWidget *parent = nullptr);

    // The recorded curve shown, -1 for the present one.
    int Index() const { return m_index; }
    bool Playing() const;
    QString LabelText() const;

    void Play();
    void Pause();
    void Step(int delta);
    // Shows recorded curve index (clamped), or the present curve for -1.
    void Choose(int index);

    // Interval between curves while playing, ms.
    static constexpr int kPlayIntervalMs = 400;

signals:
    // The curve to draw: an index into the recording, or -1 for the present curve.
    void FrameChosen(int index);

private:
    void RecordingChanged();
    void UpdateControls();

    TSpectrumRecording &m_recording;
    int m_index = -1;
    QToolButton *m_back = nullptr;
    QToolButton *m_play = nullptr;
    QToolButton *m_pause = nullptr;
    QToolButton *m_forward = nullptr;
    QToolButton *m_live = nullptr;
    QSlider *m_slider = nullptr;
    QLabel *m_label = nullptr;
    QTimer *m_timer = nullptr;
};

} // namespace tals
