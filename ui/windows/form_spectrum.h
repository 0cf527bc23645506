#pragma once

// The spectrum window "Спектр": the echo curve in decibels relative to its
// largest value, over bins or millimetres; the marks of the measured
// distance, the range limits, the bad zones, the interference threshold and
// the first processed bin; the list of the strongest peaks; the reference
// curve of the transducer laid over it; the player of the recorded curves.

#include "ui/application/window_registry.h"
#include "ui/windows/form_decibel_array.h"

#include <functional>
#include <memory>
#include <optional>

class QCPGraph;
class QCPItemStraightLine;

namespace tals {

class TEchoMarkersLayer;
class TSpectrumPeaksList;
class TSpectrumPlayer;
class TSpectrumRecording;
enum class TEchoMark;

class TFormSpectrum : public TFormDecibelArray, public TRefreshable
{
    Q_OBJECT

public:
    // The recording is the program's (a window of its own when none is
    // given); dayFolder gives the folder of today's dumps.
    TFormSpectrum(const Ttals352 &model, TRepGraph &report, TSpectrumRecording *recording = nullptr,
                  std::function<QString()> dayFolder = {}, QWidget *parent = nullptr);
    ~TFormSpectrum() override;

    void Reload() override;
    // The poll tick: the marks follow the registers and the last reading.
    void Refresh() override;

    TEchoMarkersLayer &Markers() const { return *m_markers; }
    void SetMarkShown(TEchoMark mark, bool shown);
    TSpectrumPeaksList &PeaksList() const { return *m_peaks; }
    TSpectrumPlayer &Player() const { return *m_player; }
    QCPGraph *ReferenceSeries() const { return m_referenceSeries; }
    QCPItemStraightLine *Cursor() const { return m_cursor; }
    // The bin under the cursor, NaN when it is not set.
    double CursorBin() const { return m_cursorBin; }
    void MoveCursorToBin(double bin);

    // "Сохранить как опорную": the curve shown, in the device folder.
    void SaveReference();
    // "Опорная кривая": on reads this plant number's reference and lays it
    // over; a missing or damaged file is reported and changes nothing.
    void ShowReference(bool on);
    bool ReferenceShown() const { return m_reference.has_value(); }
    // "Загрузить запись за день": the day's spectrum dumps into the recording.
    void LoadDaySeries();

protected:
    void AdjustReport(TRepGraph &report) override;
    void CurveChanged() override;
    std::vector<std::pair<QString, const TEchoCurve *>> FurtherCurves() const override;
    QString CurveTitle() const override;

private:
    void CreateEchoActions();
    void FrameChosen(int index);
    void UpdateLayers();
    void UpdateLegend();
    TSpectrumRecording &Recording() const { return *m_recording; }

    TSpectrumRecording *m_recording = nullptr;
    std::unique_ptr<TSpectrumRecording> m_ownRecording;
    std::function<QString()> m_dayFolder;
    std::unique_ptr<TEchoMarkersLayer> m_markers;
    TSpectrumPeaksList *m_peaks = nullptr;
    TSpectrumPlayer *m_player = nullptr;
    QCPGraph *m_referenceSeries = nullptr;
    QCPItemStraightLine *m_cursor = nullptr;
    double m_cursorBin = qQNaN();
    std::optional<TEchoCurve> m_reference;
    QAction *m_referenceAction = nullptr;
};

} // namespace tals
