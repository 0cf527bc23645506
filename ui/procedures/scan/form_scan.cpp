#include "ui/procedures/scan/form_scan.h"

#include "device/tals352.h"
#include "platform/dialogs.h"
#include "ui/application/window_position.h"
#include "ui/controls/edit_num.h"

#include <QApplication>
#include <QCloseEvent>
#include <QColor>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace tals {

namespace {

constexpr int kMinAddress = 1;
constexpr int kMaxAddress = 247;
constexpr int kMaxPlantNumber = 65535;

TEditNum *NewEdit(const char *name, double minimum, double maximum, double value)
{
    auto *edit = new TEditNum;
    edit->setObjectName(QLatin1String(name));
    edit->SetRange(minimum, maximum);
    edit->SetValue(value);
    edit->setMaximumWidth(90);
    return edit;
}

QPushButton *NewButton(const char *name, const QString &caption)
{
    auto *button = new QPushButton(caption);
    button->setObjectName(QLatin1String(name));
    return button;
}

// A field group: two captioned edits above a start and a stop button.
QGroupBox *NewGroup(const QString &title, const QString &caption1, TEditNum *edit1,
                    const QString &caption2, TEditNum *edit2, QPushButton *start, QPushButton *stop)
{
    auto *group = new QGroupBox(title);
    auto *grid = new QGridLayout(group);
    grid->addWidget(new QLabel(caption1), 0, 0);
    grid->addWidget(edit1, 0, 1);
    grid->addWidget(new QLabel(caption2), 1, 0);
    grid->addWidget(edit2, 1, 1);
    grid->setColumnStretch(2, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(start);
    buttons->addWidget(stop);
    grid->addLayout(buttons, 2, 0, 1, 3);
    return group;
}

} // namespace

TFormScan::TFormScan(Ttals352 &model, TBusScan::TExecute execute, TScanHost host, QWidget *parent)
    : QWidget(parent, Qt::Window), m_model(model), m_scan(model, std::move(execute)),
      m_host(std::move(host))
{
    setObjectName(QStringLiteral("FormScan"));
    setWindowTitle(QStringLiteral("Сканирование"));
    setWindowModality(Qt::ApplicationModal);

    m_savedAddress = m_model.SystemAddress();
    m_firstPlant = m_model.PlantNumber();

    BuildControls();
    SetRunning(false);
    ResetGrid();
    m_pbProgress->hide();

    m_scan.OnStep = [this](int position, const QString &status) { ShowStep(position, status); };
    m_scan.OnFound = [this](const TFoundDevice &device) { AddRow(device); };
    m_scan.ProcessEvents = [] { QApplication::processEvents(); };

    // Escape closes the window unless an operation runs (closeEvent decides).
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);

    resize(660, 430);
    RestoreWindowPlacement(*this);
}

TFormScan::~TFormScan() = default;

void TFormScan::BuildControls()
{
    m_enStartSA = NewEdit("enStartSA", kMinAddress, kMaxAddress, m_firstAddress);
    m_enStopSA = NewEdit("enStopSA", kMinAddress, kMaxAddress, m_lastAddress);
    m_enStartPN = NewEdit("enStartPN", 0, kMaxPlantNumber, m_firstPlant);
    m_enCountPN = NewEdit("enCountPN", 1, kMaxPlantNumber, m_count);

    m_bbtnScan = NewButton("bbtnScan", QStringLiteral("Сканировать линию"));
    m_bbtnScanStop = NewButton("bbtnScanStop", QStringLiteral("Остановить"));
    m_bbtnWriteSA = NewButton("bbtnWriteSA", QStringLiteral("Записать Сист. адреса"));
    m_bbtnWriteStop = NewButton("bbtnWriteStop", QStringLiteral("Остановить"));
    connect(m_bbtnScan, &QPushButton::clicked, this, &TFormScan::ScanLine);
    connect(m_bbtnWriteSA, &QPushButton::clicked, this, &TFormScan::WriteAddresses);
    connect(m_bbtnScanStop, &QPushButton::clicked, this, &TFormScan::StopOperation);
    connect(m_bbtnWriteStop, &QPushButton::clicked, this, &TFormScan::StopOperation);

    auto *addresses =
        NewGroup(QStringLiteral("Системные адреса"), QStringLiteral("Начальный"), m_enStartSA,
                 QStringLiteral("Конечный"), m_enStopSA, m_bbtnScan, m_bbtnScanStop);
    addresses->setObjectName(QStringLiteral("gbSystemAddresses"));
    auto *plants =
        NewGroup(QStringLiteral("Заводские номера"), QStringLiteral("Начальный"), m_enStartPN,
                 QStringLiteral("Количество"), m_enCountPN, m_bbtnWriteSA, m_bbtnWriteStop);
    plants->setObjectName(QStringLiteral("gbPlantNumbers"));

    m_acgDeviceList = new QTableWidget(1, 6);
    m_acgDeviceList->setObjectName(QStringLiteral("acgDeviceList"));
    m_acgDeviceList->setHorizontalHeaderLabels(
        {QStringLiteral("№"), QStringLiteral("Системный адрес"), QStringLiteral("Заводской номер"),
         QStringLiteral("Тип устройства"), QStringLiteral("ПВ"), QStringLiteral("АВ")});
    m_acgDeviceList->verticalHeader()->hide();
    m_acgDeviceList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_acgDeviceList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_acgDeviceList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_acgDeviceList->horizontalHeader()->setStretchLastSection(true);
    const int widths[] = {30, 130, 130, 120, 90, 90};
    for (int c = 0; c < 6; ++c)
        m_acgDeviceList->setColumnWidth(c, widths[c]);

    // The outcome of each broadcast, read back at the new address.
    m_acgAssignResults = new QTableWidget(0, 4);
    m_acgAssignResults->setObjectName(QStringLiteral("acgAssignResults"));
    m_acgAssignResults->setHorizontalHeaderLabels(
        {QStringLiteral("№"), QStringLiteral("Заводской номер"), QStringLiteral("Системный адрес"),
         QStringLiteral("Результат")});
    m_acgAssignResults->verticalHeader()->hide();
    m_acgAssignResults->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_acgAssignResults->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_acgAssignResults->horizontalHeader()->setStretchLastSection(true);
    const int resultWidths[] = {30, 130, 130};
    for (int c = 0; c < 3; ++c)
        m_acgAssignResults->setColumnWidth(c, resultWidths[c]);
    m_acgAssignResults->hide();

    m_lblPolling = new QLabel;
    m_lblPolling->setObjectName(QStringLiteral("lblPolling"));
    m_lblPolling->hide();

    m_lblStatus = new QLabel;
    m_lblStatus->setObjectName(QStringLiteral("lblStatus"));
    m_lblTimeLeft = new QLabel;
    m_lblTimeLeft->setObjectName(QStringLiteral("lblTimeLeft"));
    m_pbProgress = new QProgressBar;
    m_pbProgress->setObjectName(QStringLiteral("pbProgress"));
    m_pbProgress->setMaximumWidth(200);
    auto *status = new QStatusBar;
    status->setObjectName(QStringLiteral("sbStatus"));
    status->setSizeGripEnabled(false);
    status->addWidget(m_lblStatus, 1);
    status->addPermanentWidget(m_lblTimeLeft);
    status->addPermanentWidget(m_pbProgress);

    auto *top = new QHBoxLayout;
    top->addWidget(addresses);
    top->addWidget(plants);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_lblPolling);
    layout->addWidget(m_acgDeviceList, 1);
    layout->addWidget(m_acgAssignResults, 1);
    layout->addWidget(status);
}

void TFormScan::ReadFields()
{
    // Addresses outside 1 to 247 leave the previous values.
    auto address = [](const TEditNum *edit, int &value) {
        const double x = edit->Value();
        if (x >= kMinAddress && x <= kMaxAddress)
            value = static_cast<int>(std::lround(x));
    };
    address(m_enStartSA, m_firstAddress);
    address(m_enStopSA, m_lastAddress);
    // Plant numbers are words: an entry beyond them would address other devices.
    m_firstPlant = static_cast<int>(
        std::lround(std::clamp(m_enStartPN->Value(), 0.0, double(kMaxPlantNumber))));
    m_count = static_cast<int>(
        std::lround(std::clamp(m_enCountPN->Value(), 1.0, double(kMaxPlantNumber))));
    m_count = std::min(m_count, kMaxPlantNumber - m_firstPlant + 1);
}

void TFormScan::SetRunning(bool running)
{
    m_bbtnScan->setEnabled(!running);
    m_bbtnWriteSA->setEnabled(!running);
    m_bbtnScanStop->setEnabled(running);
    m_bbtnWriteStop->setEnabled(running);
}

void TFormScan::SetProgressLimits(int minimum, int maximum)
{
    // Widened first, so that a new minimum above the old maximum is taken.
    m_pbProgress->setRange(-1000000000, 1000000000);
    m_pbProgress->setMinimum(minimum);
    m_pbProgress->setMaximum(maximum);
    if (m_pbProgress->minimum() != minimum || m_pbProgress->maximum() != maximum)
        Dialogs().Message(QStringLiteral("error minmax"));
}

void TFormScan::ResetGrid()
{
    m_acgDeviceList->clearSpans();
    m_acgDeviceList->clearContents();
    m_acgDeviceList->setRowCount(1);
    m_acgAssignResults->hide();
    m_acgDeviceList->show();
}

void TFormScan::ShowResults(const std::vector<TAssignResult> &results)
{
    m_acgAssignResults->setRowCount(int(results.size()));
    for (int r = 0; r < int(results.size()); ++r) {
        const TAssignResult &result = results[std::size_t(r)];
        const QString texts[] = {QString::number(r + 1), QString::number(result.PlantNumber),
                                 QString::number(result.Address), AssignOutcomeText(result)};
        for (int c = 0; c < 4; ++c) {
            auto *item = new QTableWidgetItem(texts[c]);
            if (c == 0)
                item->setTextAlignment(Qt::AlignCenter);
            if (c == 3 && result.Outcome != TAssignOutcome::Confirmed)
                item->setForeground(QColor(0xB0, 0, 0));
            m_acgAssignResults->setItem(r, c, item);
        }
    }
    m_acgDeviceList->hide();
    m_acgAssignResults->show();
}

bool TFormScan::PausePolling()
{
    if (!m_host.IsPolling || !m_host.IsPolling() || !m_host.PausePolling)
        return false;
    m_lblPolling->setText(QStringLiteral("Опрос прибора приостановлен на время операции"));
    m_lblPolling->show();
    m_host.PausePolling();
    return true;
}

void TFormScan::ResumePolling(bool paused)
{
    if (!paused)
        return;
    if (m_host.ResumePolling)
        m_host.ResumePolling();
    m_lblPolling->setText(QStringLiteral("Опрос прибора возобновлен"));
}

QString TFormScan::AssignQuestion(const std::vector<TOccupiedAddress> &occupied) const
{
    const int lastAddress = m_firstAddress + m_count - 1;
    QString text = QStringLiteral("Записать системные адреса с %1 по %2\rв приборы с заводскими "
                                  "номерами с %3 по %4")
                       .arg(m_firstAddress)
                       .arg(lastAddress)
                       .arg(m_firstPlant)
                       .arg(m_firstPlant + m_count - 1);
    if (m_scan.Scanned()) {
        const std::vector<TFoundDevice> there = m_scan.LastScanWithin(m_firstAddress, lastAddress);
        if (there.empty()) {
            text += QStringLiteral("\r\rПоследнее сканирование не нашло приборов по этим адресам");
        } else {
            text += QStringLiteral("\r\rПоследнее сканирование нашло по этим адресам:");
            for (const TFoundDevice &d : there)
                text +=
                    d.Corrupted
                        ? QStringLiteral("\rадрес %1: %2")
                              .arg(d.Address)
                              .arg(CorruptedAddressText(d.Address))
                        : QStringLiteral("\rадрес %1: прибор %2").arg(d.Address).arg(d.PlantNumber);
        }
    }
    if (!occupied.empty()) {
        text += QStringLiteral("\r");
        for (const TOccupiedAddress &o : occupied)
            text += QStringLiteral("\r") + OccupiedText(o);
        text += QStringLiteral("\r\rПосле записи на этих адресах окажутся два прибора. "
                               "Продолжить?");
    }
    return text;
}

void TFormScan::AddRow(const TFoundDevice &device)
{
    if (device.Number > 1)
        m_acgDeviceList->setRowCount(m_acgDeviceList->rowCount() + 1);
    const int row = m_acgDeviceList->rowCount() - 1;
    if (device.Corrupted) {
        for (int c = 0; c < 3; ++c) {
            const QString text = c == 0   ? QString::number(device.Number)
                                 : c == 1 ? QString::number(device.Address)
                                          : CorruptedAddressText(device.Address);
            auto *item = new QTableWidgetItem(text);
            if (c == 0)
                item->setTextAlignment(Qt::AlignCenter);
            item->setForeground(QColor(0xB0, 0, 0));
            m_acgDeviceList->setItem(row, c, item);
        }
        m_acgDeviceList->setSpan(row, 2, 1, 4);
        m_acgDeviceList->selectRow(row);
        return;
    }
    const int values[] = {device.Number,   device.Address,     device.PlantNumber,
                          device.UnitType, device.SoftVersion, device.HardVersion};
    for (int c = 0; c < 6; ++c) {
        auto *item = new QTableWidgetItem(QString::number(values[c]));
        if (c == 0)
            item->setTextAlignment(Qt::AlignCenter);
        m_acgDeviceList->setItem(row, c, item);
    }
    m_acgDeviceList->selectRow(row);
}

void TFormScan::ShowStep(int position, const QString &status)
{
    m_pbProgress->setValue(position);
    m_lblStatus->setText(status);
    const QString left = RemainingTimeText(m_scan.RemainingMs());
    m_lblTimeLeft->setText(left.isEmpty() ? QString() : QStringLiteral("Осталось около ") + left);
}

void TFormScan::Finish(const QString &status)
{
    m_lblStatus->setText(status);
    m_lblTimeLeft->clear();
    m_pbProgress->hide();
    SetRunning(false);
}

void TFormScan::ScanLine()
{
    if (m_scan.Busy())
        return;
    ReadFields();
    if (m_lastAddress < m_firstAddress) {
        Dialogs().Message(QStringLiteral("Начальный системный адрес больше конечного!"),
                          TDialogIcon::Warning);
        return;
    }
    SetRunning(true);
    SetProgressLimits(m_firstAddress, m_lastAddress);
    m_pbProgress->show();
    ResetGrid();
    const bool paused = PausePolling();
    m_scan.Scan(m_firstAddress, m_lastAddress);
    Finish(QStringLiteral("Сканирование завершено"));
    ResumePolling(paused);
}

void TFormScan::WriteAddresses()
{
    if (m_scan.Busy())
        return;
    ReadFields();
    if (m_firstAddress + m_count >= kMaxAddress + 2) {
        Dialogs().Message(QStringLiteral("Недостаточно системных адресов (от 0 до 247)!\r"
                                         "Начальный системный адрес = %1\r"
                                         "Количество приборов = %2\r\r"
                                         "Необходимо уменьшить значения начального системного "
                                         "адреса или количество приборов")
                              .arg(m_firstAddress)
                              .arg(m_count),
                          TDialogIcon::Warning);
        return;
    }
    const int lastPlant = m_firstPlant + m_count - 1;
    SetRunning(true);
    const bool paused = PausePolling();
    // Who answers at the target addresses now, before anything is written.
    SetProgressLimits(m_firstPlant, lastPlant);
    m_pbProgress->show();
    const std::vector<TOccupiedAddress> occupied =
        m_scan.CheckTargets(m_firstAddress, m_firstPlant, lastPlant);
    const bool stopped = m_bbtnScan->isEnabled(); // "Остановить" during the check
    m_pbProgress->hide();
    m_lblTimeLeft->clear();
    m_lblStatus->clear();
    if (stopped ||
        Dialogs().Question(AssignQuestion(occupied), {TDialogButton::Yes, TDialogButton::No},
                           TDialogButton::No) != TDialogButton::Yes) {
        SetRunning(false);
        ResumePolling(paused);
        return;
    }
    SetProgressLimits(m_firstPlant, lastPlant);
    m_pbProgress->show();
    const std::vector<TAssignResult> results =
        m_scan.Assign(m_firstAddress, m_firstPlant, lastPlant);
    ShowResults(results);
    const auto confirmed =
        std::count_if(results.begin(), results.end(), [](const TAssignResult &r) {
            return r.Outcome == TAssignOutcome::Confirmed;
        });
    Finish(
        QStringLiteral("Адрес подтвердили %1 из %2 приборов").arg(confirmed).arg(results.size()));
    ResumePolling(paused);
}

void TFormScan::StopOperation()
{
    m_lblStatus->clear();
    m_scan.RequestStop();
    SetRunning(false);
}

void TFormScan::closeEvent(QCloseEvent *event)
{
    // Refused while an operation runs, that is while its stop buttons are enabled.
    if (m_bbtnScanStop->isEnabled()) {
        event->ignore();
        return;
    }
    // The model has its own identity back after every operation already.
    m_scan.RequestStop();
    SaveWindowPlacement(*this);
    QWidget::closeEvent(event);
}

} // namespace tals
