#pragma once

#include "ui/application/window_registry.h"

#include <QWidget>

class QAction;
class QCPGraph;
class QPushButton;
class QToolButton;

namespace tals {

class TTestChart;
class TTestDistances;
class TUserInput;
class TValueText;
class Ttals352;

// The title line of the error test charts: device type, plant number,
// hardware and software versions and PPM number of the model.
QString TestChartTitle(const Ttals352 &model);

// "Проверка погрешности измерения": steps through the reference distances
// of the stepping object, records the deviations of the two test readings
// from them, draws them and saves them as TestDistances.txt and
// TestDistance.bmp in the program's folder.
class TFormTestDistances : public QWidget, public TRefreshable
{
    Q_OBJECT

public:
    TFormTestDistances(Ttals352 &model, TTestDistances &steps, TUserInput &input,
                       const QString &programDir, QWidget *parent = nullptr);
    ~TFormTestDistances() override;

    TTestChart *Chart() const { return m_chart; }
    QCPGraph *RawErrors() const { return m_raw; }
    QCPGraph *FilteredErrors() const { return m_filtered; }

public slots:
    // The five value texts.
    void Refresh() override;
    void First();
    void Prior();
    void Next();
    void Last();
    // Records the errors at the present reference distance and steps on.
    void Record();
    // After the question: empties the error series and goes to the first step.
    void ClearChart();
    void SaveText();
    void SaveBitmap();
    void ChangeStart();
    void ChangeStop();
    void ChangeOffset();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void SetUpChart();

    Ttals352 &m_model;
    TTestDistances &m_steps;
    TUserInput &m_input;
    QString m_programDir;
    TValueText *m_lblStart = nullptr;
    TValueText *m_lblStop = nullptr;
    TValueText *m_lblOffset = nullptr;
    TValueText *m_lblIndex = nullptr;
    TValueText *m_lblIdeal = nullptr;
    QPushButton *m_bbtnRecord = nullptr;
    TTestChart *m_chart = nullptr;
    QCPGraph *m_zero = nullptr;
    QCPGraph *m_raw = nullptr;
    QCPGraph *m_filtered = nullptr;
};

} // namespace tals
