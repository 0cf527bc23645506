#pragma once

// The calibration windows: "Калибровка" (TFormKalibr, FFT) and
// "Калибровка ММП" (TFormKalibrMMP). One design: the residual chart
// of the calibration table under the present KrPer and SmPer, the two
// coefficients of the procedure with their fine-tuning buttons (one step at
// the press, then one per 100 ms tick while held), the write button, the
// point marks, the report and the left-axis pop-up menu.

#include "ui/application/window_registry.h"

#include <QMainWindow>

#include <functional>

class QCPGraph;
class QCustomPlot;
class QLabel;
class QPushButton;
class QTimer;
class QToolButton;

namespace tals {

class TValueText;
class Ttals352;
struct TCalibrTable;

// What a calibration window needs of the main window.
struct TKalibrHost
{
    std::function<bool(const QString &action)> Execute;
    std::function<bool()> IsPolling;
    // Refresh of the parameters window, if open.
    std::function<void()> RefreshParameters;
};

class TFormKalibrBase : public QMainWindow
{
    Q_OBJECT

public:
    enum class TKind { Fft, Mmp };
    using TShowReport = std::function<void(TFormKalibrBase &)>;

    ~TFormKalibrBase() override;

    TKind Kind() const { return m_kind; }
    Ttals352 &Model() { return m_model; }
    // The table the chart draws: FFT or MMP.
    const TCalibrTable &Table() const;
    int PointCount() const;
    QString ReportTitle() const;

    QCustomPlot *Chart() const { return m_chart; }
    QCPGraph *Series() const { return m_series; }
    QLabel *StatusText() const { return m_status; }
    TValueText *OffsetText() const { return m_lblOffset; }
    TValueText *SlopeText() const { return m_lblSlope; }
    QToolButton *OffsetUp() const { return m_offsetUp; }
    QToolButton *OffsetDown() const { return m_offsetDown; }
    QToolButton *SlopeUp() const { return m_slopeUp; }
    QToolButton *SlopeDown() const { return m_slopeDown; }
    QPushButton *WriteButton() const { return m_write; }
    QTimer *RepeatTimer() const { return m_repeat; }
    bool PointsShown() const;
    bool AxisAutomatic() const { return m_axisAutomatic; }

public slots:
    // The residual chart and the two values.
    void Update();
    void Reopened() { Update(); }
    // One fine-tuning step: offset or slope, up or down.
    void StepOffset(int direction);
    void StepSlope(int direction);
    void ChangeOffset();
    void ChangeSlope();
    void WriteCoefficients();
    void ShowPoints(bool shown);
    void SetAxisAutomatic(bool automatic);
    void Report();
    // The status text for a mouse position on the chart.
    void ShowCursor(const QPointF &pixel);
    // One tick of the repeat timer: the held button's step again.
    void RepeatTick();

protected:
    TFormKalibrBase(TKind kind, Ttals352 &model, TKalibrHost host, TShowReport showReport,
                    QWidget *parent);
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QAction *AddAction(const char *name, const QString &text);
    QToolButton *StepButton(const char *name, const QString &hint, const QString &arrow);
    void HoldToRepeat(QToolButton *button, std::function<void()> step);
    void AfterStep();

    TKind m_kind;
    Ttals352 &m_model;
    TKalibrHost m_host;
    TShowReport m_showReport;
    QCustomPlot *m_chart = nullptr;
    QCPGraph *m_series = nullptr;
    QLabel *m_status = nullptr;
    TValueText *m_lblOffset = nullptr;
    TValueText *m_lblSlope = nullptr;
    QToolButton *m_offsetUp = nullptr;
    QToolButton *m_offsetDown = nullptr;
    QToolButton *m_slopeUp = nullptr;
    QToolButton *m_slopeDown = nullptr;
    QPushButton *m_write = nullptr;
    QAction *m_pointsShow = nullptr;
    QAction *m_pointsHide = nullptr;
    QTimer *m_repeat = nullptr;
    std::function<void()> m_repeatStep;
    bool m_axisAutomatic = false;
    // "Разброс -3,5 ... +3,5" chosen: the range holds whatever the residuals.
    bool m_axisPinned = false;
};

// "Калибровка": refreshed by the main window's RefreshAllWindows.
class TFormKalibr : public TFormKalibrBase, public TRefreshable
{
    Q_OBJECT

public:
    TFormKalibr(Ttals352 &model, TKalibrHost host, TShowReport showReport = {},
                QWidget *parent = nullptr);
    void Refresh() override { Update(); }
};

// "Калибровка ММП": refreshed only by its own actions and "Обновить".
class TFormKalibrMMP : public TFormKalibrBase
{
    Q_OBJECT

public:
    TFormKalibrMMP(Ttals352 &model, TKalibrHost host, TShowReport showReport = {},
                   QWidget *parent = nullptr);
};

} // namespace tals
