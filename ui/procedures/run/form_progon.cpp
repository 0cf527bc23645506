#include "ui/procedures/run/form_progon.h"

#include "device/progon.h"
#include "device/tals352.h"
#include "platform/date_time.h"
#include "platform/dialogs.h"
#include "platform/number_format.h"
#include "ui/application/main_services.h"
#include "ui/application/window_position.h"
#include "ui/controls/residual_axis_menu.h"
#include "ui/controls/value_text.h"

#include <QAction>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include <qcustomplot.h>

#include <algorithm>
#include <cmath>

namespace tals {

namespace {

constexpr int kColumns = 7;
constexpr int kCurrentColumn = 4;
constexpr int kDCurrentColumn = 6;

const char *const kHeaders[kColumns] = {"№",       "Рулетка, мм", "Уровень, мм", "d Уровень, мм",
                                        "Ток, мА", "Изм.Ток, мА", "d Ток, мА"};

// Fixed with the given decimals, at most 9 significant digits.
QString Cell(double value, int decimals)
{
    return FloatToStrF(value, ffFixed, 9, decimals);
}

QString Number(double value, int decimals)
{
    return FloatToStrF(value, ffNumber, 15, decimals);
}

} // namespace

// Draws the marks of the grid at every repaint from the window's rules.
class TFormProgon::TCellPainter : public QStyledItemDelegate
{
public:
    TCellPainter(TFormProgon &form) : QStyledItemDelegate(&form), m_form(form) {}

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        const int row = index.row() + 1;
        if (m_form.IsCellBold(row, index.column()))
            option->font.setBold(true);
        const QColor back = m_form.CellBackground(row, index.column());
        if (back.isValid())
            option->backgroundBrush = back;
    }

private:
    TFormProgon &m_form;
};

TFormProgon::TFormProgon(Ttals352 &model, TUserInput &input, TProgonHost host,
                         TShowReport showReport, QWidget *parent)
    : QMainWindow(parent), m_model(model), m_input(input), m_host(std::move(host)),
      m_showReport(std::move(showReport))
{
    setObjectName(QStringLiteral("FormProgon"));
    setWindowTitle(QStringLiteral("Прогон"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(860, 600);

    QAction *start =
        AddAction("actProgonStart", QStringLiteral("Прогон начать"), &TFormProgon::StartRun);
    QAction *stop =
        AddAction("actProgonStop", QStringLiteral("Прогон остановить"), &TFormProgon::StopRun);
    QAction *templ = AddAction("actProgonTemplate", QStringLiteral("Создать шаблон прогона"),
                               &TFormProgon::MakeTemplate);
    QAction *report = AddAction("actReport", QStringLiteral("График"), &TFormProgon::Report);
    report->setToolTip(QStringLiteral("Отчет"));
    report->setStatusTip(QStringLiteral("Отчет"));
    QAction *refresh = AddAction("actUpdate", QStringLiteral("Обновить"), &TFormProgon::Update);
    refresh->setShortcut(QKeySequence(Qt::Key_F5));
    QAction *close = new QAction(QStringLiteral("Закрыть окно"), this);
    close->setObjectName(QStringLiteral("actCloseWindow"));
    connect(close, &QAction::triggered, this, &QWidget::close);
    addAction(close);
    QAction *ruletka = AddAction("actRuletkaChange", QStringLiteral("Изменить значение рулетки"),
                                 &TFormProgon::ChangeRuletka);
    QAction *gate = AddAction("actGateChange", QStringLiteral("Изменить ширину \"ворот\""),
                              &TFormProgon::ChangeGate);

    QMenu *work = menuBar()->addMenu(QStringLiteral("Работа"));
    work->addActions({start, stop, templ});
    QMenu *reports = menuBar()->addMenu(QStringLiteral("Отчеты"));
    reports->addAction(report);
    QMenu *window = menuBar()->addMenu(QStringLiteral("Окно"));
    window->addAction(refresh);
    window->addAction(close);

    QToolBar *tools = addToolBar(QStringLiteral("Прогон"));
    tools->setObjectName(QStringLiteral("tbProgon"));
    tools->setMovable(false);
    tools->addActions({start, stop, templ, report, close});
    tools->addSeparator();
    auto *panel = new QWidget;
    panel->setObjectName(QStringLiteral("pnlNumbers"));
    auto *panelLayout = new QHBoxLayout(panel);
    panelLayout->setContentsMargins(6, 0, 6, 0);
    m_lblPPM = new TValueText(QStringLiteral("lblPPMNumber"));
    m_lblNNZ = new TValueText(QStringLiteral("lblOrderNumber"));
    m_lblPPM->setToolTip(QStringLiteral("ППМ"));
    m_lblNNZ->setToolTip(QStringLiteral("ННЗ"));
    panelLayout->addWidget(new QLabel(QStringLiteral("№ ППМ")));
    panelLayout->addWidget(m_lblPPM);
    panelLayout->addSpacing(10);
    panelLayout->addWidget(new QLabel(QStringLiteral("№ Н/З")));
    panelLayout->addWidget(m_lblNNZ);
    tools->addWidget(panel);

    m_grid = new QTableWidget(5, kColumns);
    m_grid->setObjectName(QStringLiteral("acgProgonPoints"));
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->verticalHeader()->setVisible(false);
    m_grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_grid->setItemDelegate(new TCellPainter(*this));
    for (int c = 0; c < kColumns; ++c)
        m_grid->setHorizontalHeaderItem(c, new QTableWidgetItem(QString::fromUtf8(kHeaders[c])));
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < kColumns; ++c) {
            auto *item = new QTableWidgetItem;
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            m_grid->setItem(r, c, item);
        }
    m_grid->setContextMenuPolicy(Qt::ActionsContextMenu);
    m_grid->addActions({templ, report, start, stop, ruletka, gate, close});
    m_grid->setFixedHeight(m_grid->horizontalHeader()->sizeHint().height() +
                           5 * m_grid->verticalHeader()->defaultSectionSize() + 4);

    m_bbtnSet = new QPushButton;
    m_bbtnSet->setObjectName(QStringLiteral("bbtnSet"));
    m_bbtnSet->setMinimumWidth(150);
    m_bbtnSet->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    connect(m_bbtnSet, &QPushButton::clicked, this, &TFormProgon::Capture);

    m_chart = new QCustomPlot;
    m_chart->setObjectName(QStringLiteral("Chart"));
    m_chart->setMinimumHeight(220);
    m_series = m_chart->addGraph();
    m_series->setPen(QPen(QColor(0xFF, 0x00, 0x00), 1.5));
    m_series->setScatterStyle(
        QCPScatterStyle(QCPScatterStyle::ssCircle, QColor(0xFF, 0, 0), QColor(0xFF, 0, 0), 5));
    m_chart->yAxis->setLabel(QStringLiteral("Разброс"));
    m_chart->xAxis->setLabel(QStringLiteral("Уровень, мм"));
    m_chart->yAxis->setRange(-3.5, 3.5);
    AddResidualAxisMenu(m_chart, [this](bool automatic) { SetAxisAutomatic(automatic); });

    auto *top = new QHBoxLayout;
    top->addWidget(m_grid, 1);
    top->addWidget(m_bbtnSet);
    auto *central = new QWidget;
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(top);
    layout->addWidget(m_chart, 1);
    setCentralWidget(central);
    statusBar()->setObjectName(QStringLiteral("StatusBar"));

    connect(m_lblPPM, &TValueText::Clicked, this, [this] {
        m_host.Execute(QStringLiteral("actPPMChange"));
        Refresh();
    });
    connect(m_lblNNZ, &TValueText::Clicked, this, [this] {
        m_host.Execute(QStringLiteral("actNNZChange"));
        Refresh();
    });

    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);

    RestoreWindowPlacement(*this);
    FillGrid();
    Refresh();
}

TFormProgon::~TFormProgon() = default;

QAction *TFormProgon::AddAction(const char *name, const QString &text, void (TFormProgon::*slot)())
{
    auto *a = new QAction(text, this);
    a->setObjectName(QLatin1String(name));
    connect(a, &QAction::triggered, this, slot);
    addAction(a);
    return a;
}

int TFormProgon::CurrentRow() const
{
    return ProgonCurrentRow(m_model, m_model.LevelBusy().Output().ToDouble());
}

bool TFormProgon::IsCellBold(int row, int) const
{
    return row == CurrentRow();
}

QColor TFormProgon::CellBackground(int row, int column) const
{
    if (row < 1 || row > int(m_model.ProgonTable.size()))
        return {};
    const TProgonRow &r = m_model.ProgonTable[std::size_t(row - 1)];
    if (column == kDCurrentColumn && IsProgonCurrentMarked(r.DCurrentValue))
        return QColor(0xFF, 0x00, 0x00);
    if (row == CurrentRow()) {
        switch (ProgonLevelShade(m_model.LevelBusy().Output().ToDouble(), r.SetLevel)) {
        case TProgonShade::Green:
            return QColor(0x00, 0xFF, 0x00);
        case TProgonShade::Yellow:
            return QColor(0xFF, 0xFF, 0x00);
        case TProgonShade::None:
            break;
        }
    }
    return {};
}

void TFormProgon::FillGrid()
{
    for (int r = 0; r < 5; ++r) {
        const TProgonRow &row = m_model.ProgonTable[std::size_t(r)];
        const QString texts[kColumns] = {QString::number(r + 1),    Cell(row.Ruletka, 0),
                                         Cell(row.Value, 3),        Cell(row.DValue, 3),
                                         Cell(row.Current, 2),      Cell(row.CurrentValue, 2),
                                         Cell(row.DCurrentValue, 3)};
        for (int c = 0; c < kColumns; ++c)
            m_grid->item(r, c)->setText(texts[c]);
    }
}

void TFormProgon::FillChart()
{
    m_series->data()->clear();
    bool outside = false;
    for (int r = 0; r < ProgonRowCount(m_model); ++r) {
        const TProgonRow &row = m_model.ProgonTable[std::size_t(r)];
        const double y = row.SetLevel - row.Value;
        m_series->addData(row.SetLevel, y);
        outside = outside || std::fabs(y) > 3.5;
    }
    if (outside && !m_axisPinned)
        m_axisAutomatic = true;
    m_chart->xAxis->rescale();
    const QCPRange x = m_chart->xAxis->range();
    const double pad = std::max(100.0, x.size() * 0.05);
    m_chart->xAxis->setRange(x.lower - pad, x.upper + pad);
    if (m_axisAutomatic) {
        m_chart->yAxis->rescale();
        const QCPRange y = m_chart->yAxis->range();
        if (y.size() < 1e-9)
            m_chart->yAxis->setRange(y.lower - 1, y.upper + 1);
    } else {
        m_chart->yAxis->setRange(-3.5, 3.5);
    }
    m_chart->replot();
}

void TFormProgon::SetAxisAutomatic(bool automatic)
{
    m_axisAutomatic = automatic;
    m_axisPinned = !automatic;
    if (automatic)
        m_chart->yAxis->rescale();
    else
        m_chart->yAxis->setRange(-3.5, 3.5);
    m_chart->replot();
}

void TFormProgon::Refresh()
{
    FillChart();
    m_grid->horizontalHeaderItem(kCurrentColumn)
        ->setText(QStringLiteral("Ток(") + m_model.CurrentRangeName() + QStringLiteral(")"));
    m_grid->viewport()->update();
    m_bbtnSet->setText(
        QStringLiteral("Установить\n\nСв.пр-во, мм \n") +
        Number(m_model.LevelFree().Output().ToDouble(), 1) + QStringLiteral("\nУровень, мм\n") +
        Number(m_model.LevelBusy().Output().ToDouble(), 1) + QStringLiteral("\nТок, мА\n") +
        m_model.CurrentOutput().FormatValue(false, false));
    m_lblPPM->setText(m_model.PPMNumberText.isEmpty() ? QStringLiteral("Нет")
                                                      : m_model.PPMNumberText);
    m_lblNNZ->setText(m_model.OrderNumber.isEmpty() ? QStringLiteral("Нет") : m_model.OrderNumber);
}

void TFormProgon::Update()
{
    FillGrid();
    Refresh();
}

void TFormProgon::Capture()
{
    const int r = CurrentRow();
    if (r == 0)
        return;
    // A meter that stopped answering leaves its last current behind.
    const TDateTime readingTime = m_model.CurrentOutput().TimeStamp();
    const TDateTime now = Now();
    if (ProgonCurrentStale(readingTime, now, m_host.PollPeriodMs ? m_host.PollPeriodMs() : 0)) {
        Dialogs().Message(ProgonStaleCurrentText(readingTime, now), TDialogIcon::Warning);
        return;
    }
    CaptureProgonRow(m_model, r, m_model.LevelBusy().Output().ToDouble(),
                     m_model.CurrentOutput().Output().ToDouble());
    FillGrid();
    Refresh();
    if (r == 5 && Dialogs().Question(QStringLiteral("Остановить прогон?"),
                                     {TDialogButton::Yes, TDialogButton::No},
                                     TDialogButton::No) == TDialogButton::Yes)
        StopRun();
}

void TFormProgon::StartRun()
{
    const bool polling = m_host.IsPolling();
    m_host.Execute(QStringLiteral("actOprosStop"));
    m_model.SetHmax(15000);
    m_model.SetLmax(15000);
    m_model.SetCurrentOutput_Input(1);
    if (m_model.CurrentOutput_Range() != 2 &&
        Dialogs().Question(
            QStringLiteral("Текущий диапазон токового выхода ") + m_model.CurrentRangeName() +
                QStringLiteral("\r") + QStringLiteral("Установить диапазон токового выхода ") +
                Ttals352::RangeName(2) + QStringLiteral(" ?"),
            {TDialogButton::Yes, TDialogButton::No}, TDialogButton::No) == TDialogButton::Yes)
        m_model.SetCurrentOutput_Range(2);
    MakeTemplate();
    m_host.RefreshAll();
    for (const char *action : {"actLmaxWrite", "actHmaxWrite", "actCurrentOutput_InputWrite",
                               "actCurrentOutput_RangeWrite"})
        m_host.Execute(QLatin1String(action));
    if (polling)
        m_host.Execute(QStringLiteral("actOprosStart"));
    Refresh();
}

void TFormProgon::StopRun()
{
    const bool polling = m_host.IsPolling();
    m_host.Execute(QStringLiteral("actOprosStop"));
    m_model.SetHmax(30000);
    m_model.SetLmax(30000);
    m_host.RefreshAll();
    // Hmax first: the device refuses an Lmax above its present Hmax.
    m_host.Execute(QStringLiteral("actHmaxWrite"));
    m_host.Execute(QStringLiteral("actLmaxWrite"));
    if (polling)
        m_host.Execute(QStringLiteral("actOprosStart"));
    Refresh();
}

void TFormProgon::MakeTemplate()
{
    if (Dialogs().Question(QStringLiteral("Создать шаблон прогона?"),
                           {TDialogButton::Yes, TDialogButton::No},
                           TDialogButton::No) != TDialogButton::Yes)
        return;
    m_model.MakeProgonTemplate();
    FillGrid();
    Refresh();
}

void TFormProgon::ChangeRuletka()
{
    const int row = m_grid->currentRow() + 1;
    if (row < 1 || row > 5)
        return;
    double value = m_model.ProgonTable[std::size_t(row - 1)].Ruletka;
    if (!m_input.TryInputDouble(QStringLiteral("Введите"),
                                QString::number(row) + QStringLiteral(") Значение рулетки, мм"), 0,
                                value, 0, 40000))
        return;
    SetProgonRuletka(m_model, row, value);
    FillGrid();
    Refresh();
}

void TFormProgon::ChangeGate()
{
    double value = m_model.ProgonGate;
    if (!m_input.TryInputDouble(QStringLiteral("Введите"), QStringLiteral("Ширину \"ворот\", мм"),
                                0, value, 0, 500))
        return;
    m_model.ProgonGate = value;
    Refresh();
}

void TFormProgon::Report()
{
    if (m_showReport)
        m_showReport(*this);
}

void TFormProgon::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    Refresh();
}

void TFormProgon::closeEvent(QCloseEvent *event)
{
    SaveWindowPlacement(*this);
    QMainWindow::closeEvent(event);
}

} // namespace tals
