#pragma once

// The window "Сканирование": finds the devices that answer on the line by
// reading the signature at every system address of a range, and gives a batch
// of devices consecutive system addresses by their plant numbers with the
// broadcast address command. Modal; the device model's system address is put
// back after each operation. Polling is paused while an operation runs, so
// that no other device's readings reach the model and the archive.

#include "device/bus_scan.h"

#include <QWidget>

#include <functional>
#include <vector>

class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace tals {

class TEditNum;
class Ttals352;

// What the window needs of the main window: polling state and control.
struct TScanHost
{
    std::function<bool()> IsPolling;
    // Stops polling and returns once the running polling step has ended.
    std::function<void()> PausePolling;
    std::function<void()> ResumePolling;
};

class TFormScan : public QWidget
{
    Q_OBJECT

public:
    // execute runs one command code with the program's link.
    TFormScan(Ttals352 &model, TBusScan::TExecute execute, TScanHost host = {},
              QWidget *parent = nullptr);
    ~TFormScan() override;

    TBusScan &Scanner() { return m_scan; }
    // The address the model had when the window opened.
    int SavedAddress() const { return m_savedAddress; }

public slots:
    // "Сканировать линию".
    void ScanLine();
    // "Записать Сист. адреса".
    void WriteAddresses();
    // Either "Остановить".
    void StopOperation();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void BuildControls();
    void ReadFields();
    void SetRunning(bool running);
    void SetProgressLimits(int minimum, int maximum);
    void ResetGrid();
    void AddRow(const TFoundDevice &device);
    void ShowResults(const std::vector<TAssignResult> &results);
    QString AssignQuestion(const std::vector<TOccupiedAddress> &occupied) const;
    // Around an operation: polling paused and resumed, said in the window.
    bool PausePolling();
    void ResumePolling(bool paused);
    void ShowStep(int position, const QString &status);
    void Finish(const QString &status);

    Ttals352 &m_model;
    TBusScan m_scan;
    TScanHost m_host;
    int m_savedAddress = 1;
    int m_firstAddress = 1;
    int m_lastAddress = 247;
    int m_firstPlant = 0;
    int m_count = 10;

    TEditNum *m_enStartSA = nullptr;
    TEditNum *m_enStopSA = nullptr;
    TEditNum *m_enStartPN = nullptr;
    TEditNum *m_enCountPN = nullptr;
    QPushButton *m_bbtnScan = nullptr;
    QPushButton *m_bbtnScanStop = nullptr;
    QPushButton *m_bbtnWriteSA = nullptr;
    QPushButton *m_bbtnWriteStop = nullptr;
    QTableWidget *m_acgDeviceList = nullptr;
    QTableWidget *m_acgAssignResults = nullptr;
    QLabel *m_lblPolling = nullptr;
    QLabel *m_lblStatus = nullptr;
    QLabel *m_lblTimeLeft = nullptr;
    QProgressBar *m_pbProgress = nullptr;
};

} // namespace tals
