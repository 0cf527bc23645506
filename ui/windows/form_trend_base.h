#pragma once

// What the trend window and the multi-trend window share: the date-time chart
// with its scroll bar and status panels, live and range modes, the twelve
// visible widths, zoom and view actions, keys, the day-by-day archive loading
// on a worker thread and the CSV export of the visible points.

#include "storage/archive_range.h"
#include "storage/range_dt.h"
#include "storage/trend_csv.h"

#include <qcustomplot.h>

#include <QElapsedTimer>
#include <QHash>
#include <QMainWindow>
#include <QTimer>

#include <functional>
#include <vector>

class QLabel;
class QScrollBar;
class QToolBar;

namespace tals {

class TRepGraph;
class TReports;
class TUserInput;

// What a trend window needs from the program.
struct TTrendContext
{
    TArchiveDayQuery query;      // one day of one quantity
    TUserInput *input = nullptr; // progress window and value entry
    QString programDir;          // INI/fGraph.ini, INI/fMultiGraph.ini below it
    TRangeDT::TClock clock;      // now; the system clock when empty
    // The range dialog: true on OK with the new bounds (TFormRangeDT when empty).
    std::function<bool(TDateTime &start, TDateTime &stop)> rangeDialog;
    TReports *reports = nullptr; // the printed reports; no preview when null
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
    QAction *Action(const QString &name) const { return m_actions.value(name); }
    QLabel *Panel(int index) const { return m_panels.value(index); }
    const TRangeDT &Range() const { return m_range; }
    TMode Mode() const { return m_mode; }
    int StepIndex() const { return m_stepIndex; }
    double LastWidth() const { return m_lastWidth; }
    bool PointsShown() const { return m_points; }
    bool Follow() const { return m_follow; }

    // Runs an action of the window by its object name (false when unknown or disabled).
    bool ExecuteAction(const QString &name);

    // The visible width of time-scale index 1 .. 12 (others: "1 день").
    void ApplyWidth(int index);
    // Moves the scroll bar as the operator would and applies the position.
    void ScrollTo(int position);
    // The points of the shown series within the visible X range, for the CSV file.
    virtual std::vector<TCsvSeries> VisibleSeries() const = 0;
    // Replots now (pending coalesced replots included).
    void ReplotNow();
    // Replots at the screen's rate: at most once per 16 ms however often asked.
    void RequestReplot();
    int ReplotCount() const { return m_replots; }

protected:
    // ---- what each window adds ----
    // Every graph that holds data (the scroll bar and "show all X" span them).
    virtual QList<QCPGraph *> DataGraphs() const = 0;
    // Left axis of "undo zoom".
    virtual void UndoZoomY() = 0;
    virtual void ShowAllY() = 0;
    virtual void ApplyPoints() = 0;
    // Empties the series, loads the range, binds or unbinds the live points.
    virtual void Reload(bool live) = 0;
    // Panels other than the range and the interval.
    virtual void UpdateValuePanels() {}
    virtual QString CursorText(double key, double value) const = 0;
    virtual int CursorPanel() const = 0;
    virtual void ReportPreview() = 0;
    virtual void FollowOn() = 0;
    virtual void SaveSettings() = 0;
    // The text of a value mark.
    virtual QString MarkText(double value) const;
    // Freed before the window: the holders that follow the device.
    virtual void DetachHolders() = 0;

    // ---- building ----
    QAction *AddAction(const QString &name, const QString &caption, const QString &hint,
                       std::function<void()> handler, bool checkable = false);
    void CreateCommonActions();
    void CreatePanels(const QList<QPair<QString, int>> &panels);
    // The named actions into a menu or a tool bar; "|" is a separator.
    void AddActions(QWidget *to, const QStringList &names);
    // The actions of the twelve visible widths, in order.
    static QStringList WidthActionNames();

    // ---- behaviour ----
    // Loads names over the range on the worker; onDay gets each day's points on
    // this thread, onItemDone each name when its days are in.
    void LoadDays(const QStringList &names, const QStringList &progressTexts,
                  const std::function<void(int item, const QVector<QCPGraphData> &)> &onDay,
                  const std::function<void(int item)> &onItemDone);
    bool Loading() const { return m_loading; }
    // Title (the caption), the "Отчет за" line and both axes of a chart
    // report as the window shows them.
    void FillReportFrame(TRepGraph &report) const;
    // The points of a graph within the visible X range (with one point beyond
    // each edge so that the line reaches the frame).
    QVector<QCPGraphData> VisiblePoints(const QCPGraph &graph) const;
    // Points of one day as chart data.
    static QVector<QCPGraphData> ToChartData(const std::vector<TArchiveRow> &rows);

    void SetMode(TMode mode) { m_mode = mode; }
    TRangeDT &RangeRef() { return m_range; }
    void SetStepIndex(int index) { m_stepIndex = index; }
    void SetPointsFlag(bool shown) { m_points = shown; }
    void SetFollowFlag(bool follow) { m_follow = follow; }
    void SetFollowActions();
    void SetModeActions();

    // The left axis set by the window (not counted as the operator's zoom).
    void SetYAxis(double lower, double upper);
    void UncheckWidths();
    bool DataExtent(double &minKey, double &maxKey) const;
    void ShowAllX();
    void ShowAllXY();
    void Zoom(double percent);
    void UndoZoom();
    void UpdateScrollBar();
    void UpdatePanels();
    void UpdateRangePanel();
    // After a change of an axis by an action: panels, scroll bar, replot.
    void AxisChanged(bool uncheckWidths);
    void ScrollToEnd() { ScrollTo(100); }
    // Range dialog; live or range mode with a reload.
    void GoLive();
    void GoRange();
    void ExportCsv();

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
    void OnScrollBarMoved(int position);
    bool HandleKey(int key, Qt::KeyboardModifiers modifiers);
    void ShiftX(double fraction);
    void ShiftY(double fraction);
    // Value marks of the first series at (a sample of) its visible points.
    void UpdateMarks();

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
    QElapsedTimer m_sinceReplot;
    int m_replots = 0;
    QList<QCPItemText *> m_marks;
};

} // namespace tals
