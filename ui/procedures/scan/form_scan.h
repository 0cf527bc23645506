#pragma once

// The window "Сканирование": finds the devices that answer on the line by
// reading the signature at every system address of a range, and gives a batch
// of devices consecutive system addresses by their plant numbers with the
// broadcast address command. Modal; the device model's system address is put
// back when the window closes.

#include "ui/procedures/scan/bus_scan.h"

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace tals {

class TEditNum;
class Ttals352;

class TFormScan : public QWidget
{
    Q_OBJECT

public:
    // execute runs one command code with the program's link.
    TFormScan(Ttals352 &model, TBusScan::TExecute execute, QWidget *parent = nullptr);
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
    void ShowStep(int position, const QString &status);
    void Finish(const QString &status);

    Ttals352 &m_model;
    TBusScan m_scan;
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
    QLabel *m_lblStatus = nullptr;
    QLabel *m_lblTimeLeft = nullptr;
    QProgressBar *m_pbProgress = nullptr;
};

} // namespace tals
