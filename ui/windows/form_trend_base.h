#pragma once

// What the trend window and the multi-trend window share: the date-time chart
// with its scroll bar and status panels, live and range modes, the twelve
// visible widths, zoom and view actions, keys, the two cursors, and the
// quantities' data: an overview of the whole range and the finer data of the
// view, read on a worker thread (TTrendLoader), with the live points after
// them. Over a wide range each pixel column shows the mean line with the
// minimum .. maximum envelope shaded behind it; a narrow view shows the
// readings themselves. Mouse and view history: TTrendNavigation; exports:
// TTrendExport.

#include "storage/archive_envelope.h"
#include "storage/range_dt.h"
#include "storage/trend_csv.h"

#include <qcustomplot.h>

#include <QElapsedTimer>
#include <QHash>
#include <QMainWindow>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

class QLabel;
class QProgressBar;
class QPushButton;
class QScrollBar;
class QToolBar;
class QToolButton;

namespace tals {

class TRepGraph;
class TReports;
class TTrendExport;
class TTrendLoader;
class TTrendNavigation;
class TUserInput;
struct TTrendResult;

// What a trend window needs from the program.
struct TTrendContext
{
    const TArchive *archive = nullptr; // the measurement archive; no points when null
    TUserInput *input = nullptr;       // value entry
    QString programDir;                // INI/fGraph.ini, INI/fMultiGraph.ini below it
    TRangeDT::TClock clock;            // now; the system clock when empty
    // The range dialog: true on OK with the new bounds (TFormRangeDT when empty).
    std::function<bool(TDateTime &start, TDateTime &stop)> rangeDialog;
    TReports *reports = nullptr; // the printed reports; no preview when null
    QString device;              // the device's plant number for the caption; may be empty
    // Called on the loading thread after each day read (tests slow the load down).
    std::function<void()> afterDay;
};

class TFormTrendBase : public QMainWindow
{
    Q_OBJECT

public:
    enum TMode { mLive = 0, mRange = 1 };

    explicit TFormTrendBase(TTrendContext context, QWidget *parent = nullptr);
    ~TFormTrendBase() override;

    QCustomPlot *Chart() const { return m_chart; }
    QScrollBar *ScrollBar() const { return m_scroll; }
    QToolBar *ToolBar() const { return m_toolBar; }
    QAction *Action(const QString &name) const { return m_actions.value(name); }
    QLabel *Panel(int index) const { return m_panels.value(index); }
    QLabel *LoadState() const { return m_loadState; }
    const TRangeDT &Range() const { return m_range; }
    TMode Mode() const { return m_mode; }
    int StepIndex() const { return m_stepIndex; }
    double LastWidth() const { return m_lastWidth; }
    bool PointsShown() const { return m_points; }
    bool Follow() const { return m_follow; }
    TTrendNavigation &Navigation() const { return *m_navigation; }

    // Runs an action of the window by its object name (false when unknown or disabled).
    bool ExecuteAction(const QString &name);

    // The visible width of time-scale index 1 .. 12 (others: "1 день").
    void ApplyWidth(int index);
    // Moves the scroll bar as the operator would and applies the position.
    void ScrollTo(int position);
    // Centres the view on dt keeping its width.
    void CentreOn(TDateTime dt);
    // The shown series within the visible X range at the shown resolution
    // (buckets add their minimum and maximum as columns of their own).
    std::vector<TCsvSeries> VisibleSeries() const;
    // Replots now (pending coalesced replots included).
    void ReplotNow();
    // Replots at the screen's rate: at most once per 16 ms however often asked.
    void RequestReplot();
    int ReplotCount() const { return m_replots; }
    // Whether the archive is being read (the whole range or the view).
    bool Loading() const { return m_loading; }
    bool Fetching() const;
    // Waits (processing events) until the view's data are in; false on time-out.
    bool WaitForView(int timeoutMs = 10000);
    // Stops a load; what was read stays.
    void CancelLoad();
    // Whether the data of series index are single readings in the visible range.
    bool ShowsRaw(int series) const;

    // The read-out of the mouse at pos (chart coordinates): snaps to the
    // nearest shown point; false when pos is outside the plotting area.
    bool HoverAt(const QPoint &pos);
    // The two cursors: a click places the first, the next the second, the
    // one after starts again.
    void ClickAt(const QPoint &pos);
    // The cursors' read-out ("Δt ..."), empty without two cursors.
    QString CursorSpanText() const;
    // The snapped point of the last hover: series, time and value.
    struct TSnap
    {
        int series = -1;
        TDateTime time = 0;
        double value = 0;
    };
    const TSnap &LastSnap() const { return m_snap; }

signals:
    // Days read of the load of the whole range.
    void loadProgress(int done, int total);

protected:
    // ---- what each window adds ----
    // Left axis of "undo zoom" without history.
    virtual void UndoZoomY() = 0;
    virtual void ShowAllY() = 0;
    virtual void ApplyPoints() = 0;
    // Binds or unbinds the live points of the quantities.
    virtual void BindLive(bool bind) = 0;
    // After loading the whole range: messages of missing data.
    virtual void Loaded(bool cancelled) = 0;
    // Panels other than the range and the interval.
    virtual void UpdateValuePanels() {}
    // The read-out of a snapped point of series.
    virtual void ShowSnap(const TSnap &snap) = 0;
    virtual QString ValueText(int series, double value) const = 0;
    virtual void ReportPreview() = 0;
    virtual void FollowOn() = 0;
    virtual void SaveSettings() = 0;
    // The text of a value mark.
    virtual QString MarkText(double value) const;
    // Freed before the window: the holders that follow the device.
    virtual void DetachHolders() = 0;
    // After the shown data of series changed.
    virtual void SeriesDataChanged(int) {}

    // ---- series ----
    // A quantity: its archive table, colour and legend name. Returns its index.
    // csvTitle heads its column in the exports.
    int AddSeries(const QString &archiveName, const QColor &color, const QString &name,
                  const QString &csvTitle);
    void ClearSeries();
    // The archive table and the titles of series set afresh.
    void SetSeriesNames(int series, const QString &archiveName, const QString &name,
                        const QString &csvTitle);
    int SeriesCount() const { return int(m_series.size()); }
    QCPGraph *Line(int series) const;
    const QString &SeriesTitle(int series) const;
    void SetSeriesVisible(int series, bool visible);
    bool SeriesVisible(int series) const;
    // A live point of series (kept and added after a load that is running).
    void AddLivePoint(int series, double key, double value);
    bool SeriesEmpty(int series) const;
    // The shown point of series nearest to key; false without points.
    bool Nearest(int series, double key, TSnap &snap) const;
    // The lowest and highest value of series within keys; false without points.
    bool ValueRange(int series, const QCPRange &keys, QCPRange &range) const;
    QList<QCPGraph *> DataGraphs() const;

    // ---- building ----
    QAction *AddAction(const QString &name, const QString &caption, const QString &hint,
                       std::function<void()> handler, bool checkable = false);
    void CreateCommonActions();
    void CreatePanels(const QList<QPair<QString, int>> &panels);
    // The named actions into a menu or a tool bar; "|" is a separator.
    void AddActions(QWidget *to, const QStringList &names);
    // The tool bar with icons: the named actions, "|" a separator, "widths"
    // the drop-down of the twelve visible widths.
    void CreateToolBar(const QStringList &names);
    // The actions of the twelve visible widths, in order.
    static QStringList WidthActionNames();
    // The export actions for a menu.
    static QStringList ExportActionNames();

    // ---- behaviour ----
    // Reads the whole range with the progress bar, then the live points that came meanwhile.
    void LoadRange();
    // Title (the caption), the "Отчет за" line and both axes of a chart
    // report as the window shows them.
    void FillReportFrame(TRepGraph &report) const;
    // The points of a graph within the visible X range (with one point beyond
    // each edge so that the line reaches the frame).
    QVector<QCPGraphData> VisiblePoints(const QCPGraph &graph) const;

    void SetMode(TMode mode) { m_mode = mode; }
    TRangeDT &RangeRef() { return m_range; }
    void SetStepIndex(int index) { m_stepIndex = index; }
    void SetPointsFlag(bool shown) { m_points = shown; }
    void SetFollowFlag(bool follow) { m_follow = follow; }
    void SetFollowActions();
    void SetModeActions();

    // The left axis set by the window (not counted as the operator's zoom).
    void SetYAxis(double lower, double upper);
    // The left axis fitted to the shown values in view.
    void FitY();
    void UncheckWidths();
    bool DataExtent(double &minKey, double &maxKey) const;
    void ShowAllX();
    void ShowAllXY();
    void Zoom(double percent);
    void UndoZoom();
    void UpdateScrollBar();
    void UpdatePanels();
    void UpdateRangePanel();
    // After a change of an axis by an action: panels, scroll bar, view data, replot.
    void AxisChanged(bool uncheckWidths);
    void ScrollToEnd() { ScrollTo(100); }
    // Range dialog; live or range mode with a reload.
    void GoLive();
    void GoRange();
    void GoToDate();

    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

    TTrendContext m_context;
    QCustomPlot *m_chart = nullptr;
    QScrollBar *m_scroll = nullptr;
    QList<QLabel *> m_panels;
    QHash<QString, QAction *> m_actions;
    QMenu *m_seriesMenu = nullptr;

private:
    struct TSeries;

    void OnScrollBarMoved(int position);
    bool HandleKey(int key, Qt::KeyboardModifiers modifiers);
    void ShiftX(double fraction);
    void ShiftY(double fraction);
    // Value marks of the first series at (a sample of) its visible points.
    void UpdateMarks();
    int Columns() const;
    // The data for the view are asked for when the shown ones do not fit it.
    void ScheduleFetch();
    void Fetch();
    void OnLoaded(const std::shared_ptr<const TTrendResult> &result);
    // Overview, view data and live points of series into its graphs.
    void Rebuild(int series);
    void UpdateWidthButton();
    void UpdateCursorItems();
    void SetLoadingUi(bool loading);

    TRangeDT m_range;
    TMode m_mode = mLive;
    int m_stepIndex = 4;
    double m_lastWidth = 45.0 / 1440;
    bool m_points = false;
    bool m_follow = false;
    bool m_scrollUpdating = false;
    bool m_loading = false;
    bool m_closePending = false;
    QTimer m_replotTimer;
    QTimer m_fetchTimer;
    QElapsedTimer m_sinceReplot;
    int m_replots = 0;
    QList<QCPItemText *> m_marks;

    std::vector<std::unique_ptr<TSeries>> m_series;
    TDateTime m_loadStop = 0; // the archive is read up to here; live points follow
    quint64 m_overviewId = 0;
    std::shared_ptr<const TTrendResult> m_overview; // the last load of the whole range
    QEventLoop *m_loadLoop = nullptr;
    double m_overviewStep = 0;
    std::unique_ptr<TTrendLoader> m_loader;
    TTrendNavigation *m_navigation = nullptr;
    std::unique_ptr<TTrendExport> m_export;
    QToolBar *m_toolBar = nullptr;
    QToolButton *m_widthButton = nullptr;
    QProgressBar *m_progress = nullptr;
    QPushButton *m_cancel = nullptr;
    QLabel *m_loadState = nullptr;

    TSnap m_snap;
    QCPItemTracer *m_tracer = nullptr;
    std::vector<TSnap> m_cursors; // 0 .. 2
    QList<QCPItemStraightLine *> m_cursorLines;
    QCPItemText *m_cursorText = nullptr;
};

} // namespace tals
