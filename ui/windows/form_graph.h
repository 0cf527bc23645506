#pragma once

// The trend window "График" of one measured quantity (slots 1 .. 7): the
// archived points of the last day or of a chosen range, live points from the
// device while in live mode, the twelve visible widths, zoom and Y tools,
// point markers, following the value, six status panels, the print preview
// and the CSV export. Settings shared by all trend windows live in
// INI/fGraph.ini of the program's folder.

#include "device/io_data.h"
#include "ui/windows/form_trend_base.h"

#include <memory>

namespace tals {

class TFormGraph : public TFormTrendBase
{
    Q_OBJECT

public:
    explicit TFormGraph(TTrendContext context, QWidget *parent = nullptr);
    ~TFormGraph() override;

    // Takes the slot's quantity: loads [start, stop] from the archive, follows
    // deviceHolder, sets the axes and applies INI/fGraph.ini. The window is
    // then ready to be shown.
    void Open(int slot, const QString &archiveName, TIODouble &deviceHolder, const QString &caption,
              TDateTime start, TDateTime stop);

    int Slot() const { return m_slot; }
    const QString &ArchiveName() const { return m_archiveName; }
    TIODouble &Holder() { return *m_holder; }
    QCPGraph *Series1() const { return m_series1; }
    QCPGraph *Series2() const { return m_series2; }
    double YRange() const { return m_yRange; }

    // Fills the chart report from the window as it is shown (null without reports).
    TRepGraph *PrepareReport();

    static QString IniPath(const QString &programDir);

protected:
    void UndoZoomY() override;
    void ShowAllY() override;
    void ApplyPoints() override;
    void BindLive(bool bind) override;
    void Loaded(bool cancelled) override;
    void UpdateValuePanels() override;
    void ShowSnap(const TSnap &snap) override;
    QString ValueText(int, double value) const override { return ValueText(value); }
    void ReportPreview() override;
    void FollowOn() override { Set4Milimeters(); }
    void SaveSettings() override;
    void DetachHolders() override;
    QString MarkText(double value) const override { return ValueText(value); }
    void SeriesDataChanged(int series) override;

private:
    void CreateMenusAndToolBar();
    void OnLivePoint();
    void Set4Milimeters();
    void ChangeYRange();
    void SetYRange();
    void ReadSettings();
    QString ValueText(double value) const;

    std::unique_ptr<TIODouble> m_holder;
    QCPGraph *m_series1 = nullptr;
    QCPGraph *m_series2 = nullptr;
    int m_slot = 0;
    QString m_archiveName;
    double m_yRange = 0;
};

// A trend window for slot 1 .. 7 opened on the quantity (null for other
// slots); the caller shows it.
TFormGraph *CreateTrendWindow(const TTrendContext &context, int slot, const QString &archiveName,
                              TIODouble &deviceHolder, const QString &caption, TDateTime start,
                              TDateTime stop);

} // namespace tals
