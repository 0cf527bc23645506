#pragma once

#include "device/test_tube.h"

#include <QWidget>

#include <functional>

class QCPGraph;
class QComboBox;
class QLabel;
class QPushButton;

namespace tals {

class TTestChart;
class TUserInput;
class TValueText;
class Ttals352;

// What the tube test report shows.
struct TTubeReport
{
    QString Title; // description, slope and offset texts
    double XMin = 0, XMax = 0, YMin = 0, YMax = 0;
    std::vector<TTubePoint> Errors;
};

// "Проверка погрешности труб": steps the target along a tube forwards or
// backwards, records the measured distance at each set distance, fits the line
// that maps measured onto set distances and draws each point's deviation from
// it. The results go to "TestTube" + description + ".txt" and to the report.
class TFormTestTube : public QWidget
{
    Q_OBJECT

public:
    using TShowReport = std::function<void(const TTubeReport &)>;

    TFormTestTube(Ttals352 &model, TTestTube &steps, TUserInput &input, const QString &programDir,
                  TShowReport showReport = {}, QWidget *parent = nullptr);
    ~TFormTestTube() override;

    TTestChart *Chart() const { return m_chart; }
    const TTubeMeasurements &Measurements() const { return m_measured; }
    QCPGraph *ErrorSeries() const { return m_errors; }
    TTubeFit Fit() const { return m_fit; }
    QString Description() const { return m_description; }
    // The report's contents as the window stands.
    TTubeReport ReportData() const;

public slots:
    void Refresh();
    void First();
    void Prior();
    void Next();
    void Last();
    // Empties the series, goes to the first or last step by the direction and
    // asks for the tube description.
    void StartTest();
    void Record();
    void ClearChart();
    void SaveText();
    void Preview();
    void ChangeDescription();
    void ChangeStart();
    void ChangeStop();
    void ChangeOffset();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void SetUpChart();
    void ShowErrors();

    Ttals352 &m_model;
    TTestTube &m_steps;
    TUserInput &m_input;
    QString m_programDir;
    TShowReport m_showReport;
    QString m_description;
    TTubeMeasurements m_measured;
    TTubeFit m_fit;
    TValueText *m_lblStart = nullptr;
    TValueText *m_lblStop = nullptr;
    TValueText *m_lblOffset = nullptr;
    TValueText *m_lblIdeal = nullptr;
    TValueText *m_lblTube = nullptr;
    QComboBox *m_cbDirection = nullptr;
    QLabel *m_lblSlope = nullptr;
    QLabel *m_lblFitOffset = nullptr;
    QPushButton *m_bbtnRecord = nullptr;
    TTestChart *m_chart = nullptr;
    QCPGraph *m_errors = nullptr;
};

} // namespace tals
