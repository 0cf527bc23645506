#pragma once

// The multi-trend window: several quantities on one chart with a shared time
// axis and a shared Y axis, a legend and a "Графики" menu that shows or hides
// each series. Live and range modes, widths, zoom, scroll and keys as in the
// trend window. Shown modally; its settings live in INI/fMultiGraph.ini.

#include "storage/mg_collection.h"
#include "ui/windows/form_trend_base.h"

namespace tals {

class TRepMultiGraph;

class TFormMultiGraph : public TFormTrendBase
{
    Q_OBJECT

public:
    explicit TFormMultiGraph(TTrendContext context, QWidget *parent = nullptr);
    ~TFormMultiGraph() override;

    TMGCollection &Items() { return m_items; }

    // Caption and range, the series and the "Графики" entries of the items,
    // the archive of every item, the live points, the Y axis and the settings
    // of INI/fMultiGraph.ini. The window is then ready to be shown.
    void Configure(const QString &caption, TDateTime start, TDateTime stop);

    QCPGraph *Series(int index) const { return Line(index); }
    int SeriesCount() const { return TFormTrendBase::SeriesCount(); }
    // Shows or hides series index with its markers.
    void SetSeriesVisible(int index, bool visible);
    double YMin() const { return m_yMin; }
    double YMax() const { return m_yMax; }

    // Fills the multi-series report from the shown items (null without reports).
    TRepMultiGraph *PrepareReport();

    static QString IniPath(const QString &programDir);

protected:
    void UndoZoomY() override;
    void ShowAllY() override;
    void ApplyPoints() override;
    void BindLive(bool bind) override;
    void Loaded(bool cancelled) override;
    void ShowSnap(const TSnap &snap) override;
    QString ValueText(int series, double value) const override;
    void ReportPreview() override;
    void FollowOn() override {}
    void SaveSettings() override;
    void DetachHolders() override;

private:
    void CreateMenusAndToolBar();
    void CreateSeries();
    void OnLivePoint(TIOData *sender);
    void SetupYAxis();
    void ReadSettings();
    void SeriesVisibleChange(int index);
    void SetAllVisible(bool visible);

    TMGCollection m_items;
    QList<QAction *> m_seriesEntries;
    double m_yMin = 0;
    double m_yMax = 100;
};

// The colour of a series from 0x00BBGGRR.
QColor SeriesQColor(TColor color);

} // namespace tals
