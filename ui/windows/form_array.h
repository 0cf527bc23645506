#pragma once

// The common frame of the array windows (spectrum, signal, residual): a chart
// with one line series, a tool bar and menu to show or hide the points, the
// report preview of the chart, a status-bar read-out of the point under the
// mouse, zoom by dragging a rectangle and its undo (space bar, menu, tool
// bar), and the export of the chart as a picture, as CSV and to the clipboard.

#include <QMainWindow>

class QAction;
class QCPAxis;
class QCPRange;
class QCPGraph;
class QCustomPlot;
class QLabel;
class QMenu;
class QToolBar;
class QVBoxLayout;
class QHBoxLayout;

namespace tals {

class TRepGraph;
class Ttals352;

class TFormArray : public QMainWindow
{
    Q_OBJECT

public:
    // What sets the three windows apart.
    struct TLayout
    {
        const char *objectName;
        const char *caption;
        double bottomMax;        // bottom axis 0 .. bottomMax, fixed
        double bottomStep;       // bottom-axis label step
        double leftStep;         // left-axis label step, 0: automatic
        bool adaptStepOnZoom;    // bottom-axis step follows the zoom
        const char *reportTitle; // title of the chart report
        QList<int> panelWidths;  // status panels
        int width = 820;         // size before the stored placement
        int height = 520;
    };

    ~TFormArray() override;

    QCustomPlot *Chart() const { return m_chart; }
    QCPGraph *Series() const { return m_series; }
    // The first status panel with the read-out.
    QLabel *ReadoutPanel() const { return m_readout; }

    // Re-reads the array from the device model.
    virtual void Reload() = 0;
    // The read-out of the chart position (x, y).
    virtual QString ReadoutText(double x, double y) const = 0;

    // Shows the read-out of a chart point given in widget pixels; false when
    // the point lies outside the plotting area (the read-out is then unchanged).
    bool ShowReadoutAt(const QPoint &pixel);

    // The shown curves as CSV, as "Экспорт CSV" writes and "Копировать" copies.
    virtual QByteArray CurvesCsv() const;
    // "Сохранить рисунок" and "Экспорт CSV" without their file dialogs; false
    // when the file could not be written.
    bool SavePicture(const QString &path) const;
    bool SaveCsv(const QString &path) const;
    // "Копировать": the picture and the CSV text to the clipboard.
    void CopyToClipboard() const;

    // Zooms the chart to the given axis ranges, as dragging a rectangle does.
    void ZoomTo(double xMin, double xMax, double yMin, double yMax);
    // Back to the full bottom axis and the automatic left axis.
    void UndoZoom();

    // Copies the chart into the shared chart report (axes, points, title) and
    // returns it; the report preview opens it.
    TRepGraph &PrepareReport();

public slots:
    // The show action again: reload.
    void Reopened() { Reload(); }

protected:
    TFormArray(const TLayout &layout, const Ttals352 &model, TRepGraph &report,
               QWidget *parent = nullptr);

    const Ttals352 &Model() const { return m_model; }
    // Replaces the points of the series; the left axis follows them.
    void SetPoints(const QVector<double> &x, const QVector<double> &y);
    // Hook for the report (the spectrum's own number format).
    virtual void AdjustReport(TRepGraph &) {}
    // The read-out of the chart position (key, value) in axis units.
    virtual void ShowReadout(double key, double value);
    // The bottom axis in full; the layout's 0 .. bottomMax unless a window
    // shows another unit.
    virtual QCPRange FullBottomRange() const;
    // Whether the layout's label steps hold (false: automatic labels).
    virtual bool LayoutSteps() const { return true; }
    // Sets the bottom-axis labels for the present range (after zoom, undo and
    // a change of unit) and replots.
    void AfterZoom();
    // The full bottom axis with the labels it starts with (a change of unit).
    void ResetBottomAxis();
    void RescaleLeft();

    QToolBar *ToolBar() const { return m_toolBar; }
    // The menu "Вид" with the undo of the zoom.
    QMenu *ViewMenu() const { return m_viewMenu; }
    // Places a widget beside the chart or below it.
    void AddSideWidget(QWidget *widget);
    void AddBottomWidget(QWidget *widget);
    QAction *MakeAction(const char *name, const char *caption, const char *hint);
    QLabel *StatusPanel(int index) const;

    void closeEvent(QCloseEvent *event) override;

private:
    void CreateActions();
    void ShowPoints(bool show);
    void ExportPicture();
    void ExportCsv();

    TLayout m_layout;
    const Ttals352 &m_model;
    TRepGraph &m_report;
    QCustomPlot *m_chart = nullptr;
    QCPGraph *m_series = nullptr;
    QLabel *m_readout = nullptr;
    QList<QLabel *> m_panels;
    QToolBar *m_toolBar = nullptr;
    QMenu *m_viewMenu = nullptr;
    QHBoxLayout *m_chartRow = nullptr;
    QVBoxLayout *m_column = nullptr;
    QAction *m_pointsTrue = nullptr;
    QAction *m_pointsFalse = nullptr;
};

// The number formats of the read-outs (thousands separators, locale decimal
// separator): "Спектр[x/d] = y" with d = KrPer * (2x + 1), and "Сигнал[x] = y".
QString SpectrumReadout(double x, double y, double krPer);
QString SignalReadout(double x, double y);

// The points of an array in decibels relative to its largest value (and 0):
// values at or below 0 are left out, so the line joins their neighbours.
void DecibelPoints(const double *values, int count, QVector<double> &x, QVector<double> &y);

} // namespace tals
