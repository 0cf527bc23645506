#pragma once

#include "ui/application/window_registry.h"

#include <QMainWindow>

#include <functional>

class QCPGraph;
class QCustomPlot;
class QPushButton;
class QTableWidget;

namespace tals {

class TUserInput;
class TValueText;
class Ttals352;

// What the run window needs of the main window: its actions by name, the
// polling state and the refresh of every open window.
struct TProgonHost
{
    std::function<bool(const QString &action)> Execute;
    std::function<bool()> IsPolling;
    std::function<void()> RefreshAll;
    // The time in ms polling takes to come back to the current meter (the
    // poll period times the devices polled), by which a current reading
    // counts as stale; none: no check.
    std::function<int()> PollPeriodMs;
};

// "Прогон": the current-output run over the five rows of the model's run
// table. Each row's tape reading gives the level the transducer should
// measure and the current it should put out; "Установить" captures the level
// and current readings into the row the level stands at, the grid marks the
// differences and the chart draws the level errors. Starting the run puts the
// transducer into a 15000 mm span with 4-20 mA; stopping restores 30000 mm.
class TFormProgon : public QMainWindow, public TRefreshable
{
    Q_OBJECT

public:
    using TShowReport = std::function<void(TFormProgon &)>;

    TFormProgon(Ttals352 &model, TUserInput &input, TProgonHost host, TShowReport showReport = {},
                QWidget *parent = nullptr);
    ~TFormProgon() override;

    Ttals352 &Model() { return m_model; }
    QTableWidget *Grid() const { return m_grid; }
    QCustomPlot *Chart() const { return m_chart; }
    QPushButton *CaptureButton() const { return m_bbtnSet; }
    // The row the level reading stands at (1..5), 0 for none.
    int CurrentRow() const;
    // How the grid draws a cell (row 1..5, column 0..6) now.
    bool IsCellBold(int row, int column) const;
    QColor CellBackground(int row, int column) const;

public slots:
    // Chart, axis, grid repaint, capture caption, PPM and order labels.
    void Refresh() override;
    // The grid texts, then Refresh.
    void Update();
    // Opened again through the main window.
    void Reopened() { Refresh(); }
    void Capture();
    void StartRun();
    void StopRun();
    // After the question: the run table from its template.
    void MakeTemplate();
    void ChangeRuletka();
    void ChangeGate();
    void Report();
    void SetAxisAutomatic(bool automatic);

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    class TCellPainter;
    QAction *AddAction(const char *name, const QString &text, void (TFormProgon::*slot)());
    void FillGrid();
    void FillChart();

    Ttals352 &m_model;
    TUserInput &m_input;
    TProgonHost m_host;
    TShowReport m_showReport;
    QTableWidget *m_grid = nullptr;
    QPushButton *m_bbtnSet = nullptr;
    QCustomPlot *m_chart = nullptr;
    QCPGraph *m_series = nullptr;
    TValueText *m_lblPPM = nullptr;
    TValueText *m_lblNNZ = nullptr;
    bool m_axisAutomatic = false;
    // "Разброс -3,5 ... +3,5" chosen: the range holds whatever the residuals.
    bool m_axisPinned = false;
};

} // namespace tals
