#pragma once

#include <QColor>
#include <QWidget>

class QCPGraph;
class QCustomPlot;
class QKeyEvent;
class QScrollBar;
class QToolBar;

namespace tals {

// The chart of the error tests with its tool bar and horizontal scroll bar:
// zoom by 110 % and 90 %, undo to the home ranges the window sets, show all
// by X, Y or both, scrolling by keys, copy to the clipboard on white and the
// BMP picture. The scroll bar shows where the visible range lies in the data.
class TTestChart : public QWidget
{
    Q_OBJECT

public:
    explicit TTestChart(QWidget *parent = nullptr);

    QCustomPlot *Plot() const { return m_plot; }
    QToolBar *ToolBar() const { return m_toolBar; }
    QScrollBar *ScrollBar() const { return m_scroll; }

    QCPGraph *AddGraph(const QColor &color, bool withMarks);
    // The ranges "Отменить увеличение" returns to.
    void SetHomeRanges(double xMin, double xMax, double yMin, double yMax);
    // The series whose visible points "Показать все по Y" takes.
    void SetYSeries(QCPGraph *graph) { m_ySeries = graph; }

    void ZoomIn() { Zoom(1.0 / 1.1); }
    void ZoomOut() { Zoom(1.0 / 0.9); }
    void UndoZoom();
    void ShowAllX();
    void ShowAllY();
    void ShowAllXY();
    // Image of the chart on white to the clipboard; the background comes back.
    void CopyToClipboard();
    // The chart as shown, as a Windows bitmap file.
    // The chart as shown, as the bytes of a bitmap file; empty on failure.
    QByteArray BmpBytes();
    void Replot();

    // The keys of the chart; true when taken.
    bool HandleKey(const QKeyEvent &event);
    // Moves the scroll bar as the operator would.
    void SetScrollPosition(int position);

private:
    void Zoom(double factor);
    void ScrollHorizontal(double fraction);
    void ScrollVertical(double fraction);
    void ScrollBarMoved(int position);
    void UpdateScrollBar();
    bool DataXRange(double &minX, double &maxX) const;

    QCustomPlot *m_plot = nullptr;
    QToolBar *m_toolBar = nullptr;
    QScrollBar *m_scroll = nullptr;
    QCPGraph *m_ySeries = nullptr;
    QColor m_background;
    double m_home[4] = {0, 1, -1, 1};
    bool m_settingScroll = false; // the scroll bar is being set from code
};

} // namespace tals
