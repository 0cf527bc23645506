#pragma once

// The procedure parts of the page "Калибровка" of the parameters window: the
// FFT group's table, number of points, capture, fit and "Изменить" (Part
// 6.1) and the MMP group's table and bar chart, capture, compute, "Исправить
// +/-15", typical values and "Изменить". The register fields of
// the two groups are the parameters window's own; these panels sit in the
// groups below them. The rules live in device/fft_calibration.h and
// device/mmp_calibration.h.

#include <QTableWidget>
#include <QWidget>

#include <functional>

class QCPBars;
class QCustomPlot;
class QRadioButton;
class QTabWidget;
class QToolButton;

namespace tals {

class Ttals352;
struct TCalibrTable;

// What the panels need of the parameters window and the main window.
struct TCalibrPanelHost
{
    std::function<void(const QString &action)> ExecuteAction;
    // The main window's RefreshAllWindows.
    std::function<void()> RefreshAll;
    // The parameters window alone.
    std::function<void()> RefreshParameters;
};

// The grid of a calibration table: "№", "Установленное", "Измеренное", one
// row per point in use, the current point's row in bold at every repaint,
// set and measured values editable with a floating-point editor.
class TCalibrGrid : public QTableWidget
{
    Q_OBJECT

public:
    // withDifference: the measured cell carries " [+d.d]" (MMP).
    TCalibrGrid(const QString &name, TCalibrTable &table, std::function<int()> count,
                std::function<double()> reading, bool withDifference, QWidget *parent = nullptr);

    // Count + 1 rows (the header row included) with the table's texts;
    // true when a text or the number of rows changed.
    bool Fill();
    // The current point 1..5 of the reading, 0 for none.
    int CurrentPoint() const;
    bool IsRowBold(int row) const { return row >= 1 && row == CurrentPoint(); }
    bool IsEditing() const { return state() == QAbstractItemView::EditingState; }
    // Ends an edit of a cell as the operator would: the text is normalised,
    // written back, every row parsed into the table and the grid filled again.
    void FinishEdit(int row, int column, const QString &text);

signals:
    void Edited();

private:
    class TPainter;
    class TEditor;
    void OnItemChanged(QTableWidgetItem *item);

    TCalibrTable &m_table;
    std::function<int()> m_count;
    std::function<double()> m_reading;
    bool m_withDifference;
    bool m_filling = false;
};

class TCalibrFftPanel : public QWidget
{
    Q_OBJECT

public:
    TCalibrFftPanel(Ttals352 &model, TCalibrPanelHost host, QWidget *parent = nullptr);

    TCalibrGrid *Grid() const { return m_grid; }
    QToolButton *CaptureButton() const { return m_capture; }
    QRadioButton *TwoPoints() const { return m_rb2; }
    QRadioButton *FivePoints() const { return m_rb5; }

public slots:
    // Repaints the grid (its bold row follows the reading) and sets the
    // capture caption from the free-space reading.
    void Refresh();
    void SetPoints(int count);
    void Capture();
    void Calculate();
    void Edit();

private:
    Ttals352 &m_model;
    TCalibrPanelHost m_host;
    TCalibrGrid *m_grid = nullptr;
    QRadioButton *m_rb2 = nullptr;
    QRadioButton *m_rb5 = nullptr;
    QToolButton *m_capture = nullptr;
};

class TCalibrMmpPanel : public QWidget
{
    Q_OBJECT

public:
    TCalibrMmpPanel(Ttals352 &model, TCalibrPanelHost host, QWidget *parent = nullptr);

    TCalibrGrid *Grid() const { return m_grid; }
    QCustomPlot *BarChart() const { return m_chart; }
    QCPBars *Bars() const { return m_bars; }
    QTabWidget *Pages() const { return m_pages; }
    QToolButton *CaptureButton() const { return m_capture; }
    QToolButton *DefaultsButton() const { return m_defaults; }

public slots:
    void Refresh();
    // The grid and the bar chart from the MMP table.
    void Fill();
    void Capture();
    void Calculate();
    void Correct();
    void SetTypical();
    void Edit();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FillBars();

    Ttals352 &m_model;
    TCalibrPanelHost m_host;
    QTabWidget *m_pages = nullptr;
    TCalibrGrid *m_grid = nullptr;
    QCustomPlot *m_chart = nullptr;
    QCPBars *m_bars = nullptr;
    QToolButton *m_capture = nullptr;
    QToolButton *m_defaults = nullptr;
};

} // namespace tals
