#include "ui/procedures/calibration/calibration_groups.h"

#include "device/fft_calibration.h"
#include "device/mmp_calibration.h"
#include "device/tals352.h"
#include "platform/dialogs.h"
#include "platform/number_format.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <qcustomplot.h>

#include <algorithm>

namespace tals {

namespace {

const char *const kHeaders[3] = {"№", "Установленное", "Измеренное"};

QString CaptureCaption(double levelFree)
{
    return QStringLiteral("Установить\nСв.пр-во, мм \n") + FloatToStrF(levelFree, ffNumber, 15, 1);
}

QToolButton *ProcedureButton(const char *name, const QString &text)
{
    auto *b = new QToolButton;
    b->setObjectName(QLatin1String(name));
    b->setText(text);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    b->setMinimumHeight(26);
    return b;
}

} // namespace

// ---- the grid ----

// The current point's row in bold, evaluated at every repaint.
class TCalibrGrid::TPainter : public QStyledItemDelegate
{
public:
    explicit TPainter(TCalibrGrid &grid) : QStyledItemDelegate(&grid), m_grid(grid) {}

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (m_grid.IsRowBold(index.row()))
            option->font.setBold(true);
    }
    // The floating-point editor of the set and measured columns.
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override
    {
        if (index.column() < 1)
            return nullptr;
        auto *edit =
            qobject_cast<QLineEdit *>(QStyledItemDelegate::createEditor(parent, option, index));
        if (edit)
            edit->setValidator(new QRegularExpressionValidator(
                QRegularExpression(QStringLiteral("[-+]?[0-9]*[.,]?[0-9]*([eE][-+]?[0-9]*)?")),
                edit));
        return edit;
    }

private:
    TCalibrGrid &m_grid;
};

TCalibrGrid::TCalibrGrid(const QString &name, TCalibrTable &table, std::function<int()> count,
                         std::function<double()> reading, bool withDifference, QWidget *parent)
    : QTableWidget(parent), m_table(table), m_count(std::move(count)),
      m_reading(std::move(reading)), m_withDifference(withDifference)
{
    setObjectName(name);
    setColumnCount(3);
    verticalHeader()->setVisible(false);
    horizontalHeader()->setVisible(false);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    setItemDelegate(new TPainter(*this));
    verticalHeader()->setDefaultSectionSize(22);
    setFixedHeight(6 * 22 + 4);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(this, &QTableWidget::itemChanged, this, &TCalibrGrid::OnItemChanged);
    Fill();
}

bool TCalibrGrid::Fill()
{
    // Only texts that differ are set, so that a refresh keeps the selection.
    m_filling = true;
    bool changed = false;
    auto put = [&](int row, int column, const QString &text, bool header) {
        QTableWidgetItem *cell = item(row, column);
        if (!cell) {
            cell = new QTableWidgetItem;
            if (header) {
                cell->setBackground(palette().button());
                cell->setTextAlignment(Qt::AlignCenter);
            } else {
                cell->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            }
            if (header || column == 0)
                cell->setFlags(Qt::ItemIsEnabled);
            setItem(row, column, cell);
            changed = true;
        }
        if (cell->text() != text) {
            cell->setText(text);
            changed = true;
        }
    };
    const int n = CalibrPointCount(m_count());
    if (rowCount() != n + 1) {
        setRowCount(n + 1);
        changed = true;
    }
    for (int c = 0; c < 3; ++c)
        put(0, c, QString::fromUtf8(kHeaders[c]), true);
    for (int i = 1; i <= n; ++i) {
        const TCalibrPoint &p = m_table.Points[std::size_t(i - 1)];
        put(i, 0, QString::number(i), false);
        put(i, 1, CalibrSetText(p.SetValue), false);
        put(i, 2,
            m_withDifference ? MmpMeasuredText(p.SetValue, p.Measured)
                             : CalibrMeasuredText(p.Measured),
            false);
    }
    m_filling = false;
    viewport()->update();
    return changed;
}

int TCalibrGrid::CurrentPoint() const
{
    return CalibrCurrentPoint(m_table, m_count(), m_reading());
}

void TCalibrGrid::FinishEdit(int row, int column, const QString &text)
{
    if (row < 1 || row >= rowCount() || column < 1 || column > 2)
        return;
    item(row, column)->setText(text); // itemChanged does the rest
}

void TCalibrGrid::OnItemChanged(QTableWidgetItem *changed)
{
    if (m_filling || !changed || changed->row() < 1 || changed->column() < 1)
        return;
    m_filling = true;
    changed->setText(NormaliseDecimalText(changed->text()));
    m_filling = false;
    for (int r = 1; r < rowCount(); ++r) {
        const QTableWidgetItem *set = item(r, 1);
        const QTableWidgetItem *measured = item(r, 2);
        ParseCalibrRow(m_table, r, set ? set->text() : QString(),
                       measured ? measured->text() : QString());
    }
    // Filling again from inside the change handler would delete the item
    // being handled: the grid is filled once the handler has returned.
    QMetaObject::invokeMethod(
        this,
        [this] {
            Fill();
            emit Edited();
        },
        Qt::QueuedConnection);
}

// ---- FFT group ----

TCalibrFftPanel::TCalibrFftPanel(Ttals352 &model, TCalibrPanelHost host, QWidget *parent)
    : QWidget(parent), m_model(model), m_host(std::move(host))
{
    setObjectName(QStringLiteral("pnlCalibrFft"));
    m_grid = new TCalibrGrid(
        QStringLiteral("acgCalibrPoints"), m_model.CalibrTable,
        [this] { return m_model.CalibrMode(); },
        [this] { return m_model.LevelFree().Output().ToDouble(); }, false);

    m_rb2 = new QRadioButton(QStringLiteral("2 Точки"));
    m_rb2->setObjectName(QStringLiteral("rb2Points"));
    m_rb5 = new QRadioButton(QStringLiteral("5 Точек"));
    m_rb5->setObjectName(QStringLiteral("rb5Points"));
    m_rb2->setChecked(true);
    connect(m_rb2, &QRadioButton::clicked, this, [this] { SetPoints(2); });
    connect(m_rb5, &QRadioButton::clicked, this, [this] { SetPoints(5); });

    m_capture = ProcedureButton("sbtnSetLevelFree", CaptureCaption(0));
    m_capture->setMinimumHeight(60);
    auto *calc = ProcedureButton("sbCalcCalibr", QStringLiteral("Вычислить"));
    auto *edit = ProcedureButton("sbtnEdit", QStringLiteral("Изменить"));
    edit->setToolTip(QStringLiteral("Калибровка"));
    connect(m_capture, &QToolButton::clicked, this, &TCalibrFftPanel::Capture);
    connect(calc, &QToolButton::clicked, this, &TCalibrFftPanel::Calculate);
    connect(edit, &QToolButton::clicked, this, &TCalibrFftPanel::Edit);
    connect(m_grid, &TCalibrGrid::Edited, this, [this] { m_grid->viewport()->update(); });

    auto *side = new QVBoxLayout;
    side->addWidget(m_rb2);
    side->addWidget(m_rb5);
    side->addWidget(m_capture);
    side->addWidget(calc);
    side->addWidget(edit);
    side->addStretch(1);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 4, 0, 0);
    layout->addWidget(m_grid, 1);
    layout->addLayout(side);
}

void TCalibrFftPanel::Refresh()
{
    const int mode = m_model.CalibrMode();
    if (mode == 2 && !m_rb2->isChecked())
        m_rb2->setChecked(true);
    else if (mode == 5 && !m_rb5->isChecked())
        m_rb5->setChecked(true);
    // A parameter file or another window may have changed the table.
    if (!m_grid->IsEditing())
        m_grid->Fill();
    m_grid->viewport()->update();
    m_capture->setText(CaptureCaption(m_model.LevelFree().Output().ToDouble()));
}

void TCalibrFftPanel::SetPoints(int count)
{
    // The checked button clicked again keeps the captured table.
    if (m_model.CalibrMode() == count)
        return;
    m_model.SetCalibrMode(count);
    (count == 2 ? m_rb2 : m_rb5)->setChecked(true);
    m_grid->Fill();
}

void TCalibrFftPanel::Capture()
{
    if (CaptureCalibrPoint(m_model.CalibrTable, m_model.CalibrMode(),
                           m_model.LevelFree().Output().ToDouble()) == 0)
        return;
    m_grid->Fill();
}

void TCalibrFftPanel::Calculate()
{
    const TFftFitOutcome outcome = FitFftCalibration(m_model);
    if (!outcome.Refusal.isEmpty())
        Dialogs().Message(outcome.Refusal, TDialogIcon::Warning);
    if (m_host.RefreshAll)
        m_host.RefreshAll();
}

void TCalibrFftPanel::Edit()
{
    if (m_host.ExecuteAction)
        m_host.ExecuteAction(QStringLiteral("actKalibrShow"));
}

// ---- MMP group ----

TCalibrMmpPanel::TCalibrMmpPanel(Ttals352 &model, TCalibrPanelHost host, QWidget *parent)
    : QWidget(parent), m_model(model), m_host(std::move(host))
{
    setObjectName(QStringLiteral("pnlCalibrMmp"));
    m_grid = new TCalibrGrid(
        QStringLiteral("acgCalibrPointsMMP"), m_model.CalibrTableMMP,
        [this] { return m_model.CalibrModeMMP(); },
        [this] { return m_model.LevelFree().Output().ToDouble(); }, true);
    connect(m_grid, &TCalibrGrid::Edited, this, &TCalibrMmpPanel::FillBars);

    m_chart = new QCustomPlot;
    m_chart->setObjectName(QStringLiteral("chtCalibrMMP"));
    m_chart->legend->setVisible(false);
    m_chart->xAxis->setRange(0, 6);
    auto ticker = QSharedPointer<QCPAxisTickerFixed>::create();
    ticker->setTickStep(1);
    m_chart->xAxis->setTicker(ticker);
    m_bars = new QCPBars(m_chart->xAxis, m_chart->yAxis);
    m_bars->setPen(QPen(Qt::red));
    m_bars->setBrush(Qt::red);
    m_bars->setWidth(0.5);
    m_chart->setMinimumHeight(6 * 22 + 4);

    m_pages = new QTabWidget;
    m_pages->setObjectName(QStringLiteral("pcCalibrMMP"));
    m_pages->addTab(m_grid, QStringLiteral("Таблица"));
    m_pages->addTab(m_chart, QStringLiteral("График"));

    m_capture = ProcedureButton("sbtnSetLevelFreeMMP", CaptureCaption(0));
    m_capture->setMinimumHeight(60);
    auto *calc = ProcedureButton("sbtnCalcMMP", QStringLiteral("Вычислить"));
    auto *correct = ProcedureButton("sbtnCorrect", QStringLiteral("Исправить +/-15"));
    m_defaults = ProcedureButton("sbtnSetDefault", QStringLiteral("Исходные значения"));
    m_defaults->setMinimumHeight(40);
    auto *edit = ProcedureButton("sbtnEditMMP", QStringLiteral("Изменить"));
    edit->setToolTip(QStringLiteral("Калибровка ММП"));
    connect(m_capture, &QToolButton::clicked, this, &TCalibrMmpPanel::Capture);
    connect(calc, &QToolButton::clicked, this, &TCalibrMmpPanel::Calculate);
    connect(correct, &QToolButton::clicked, this, &TCalibrMmpPanel::Correct);
    connect(m_defaults, &QToolButton::clicked, this, &TCalibrMmpPanel::SetTypical);
    connect(edit, &QToolButton::clicked, this, &TCalibrMmpPanel::Edit);

    auto *side = new QVBoxLayout;
    for (QWidget *w : {static_cast<QWidget *>(m_capture), static_cast<QWidget *>(calc),
                       static_cast<QWidget *>(correct), static_cast<QWidget *>(m_defaults),
                       static_cast<QWidget *>(edit)})
        side->addWidget(w);
    side->addStretch(1);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 4, 0, 0);
    layout->addWidget(m_pages, 1);
    layout->addLayout(side);
    Fill();
}

void TCalibrMmpPanel::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_defaults->setText(QStringLiteral("Исходные значения\r\nФЧХ"));
}

void TCalibrMmpPanel::Refresh()
{
    if (!m_grid->IsEditing() && m_grid->Fill())
        FillBars();
    m_grid->viewport()->update();
    m_capture->setText(CaptureCaption(m_model.LevelFree().Output().ToDouble()));
}

void TCalibrMmpPanel::Fill()
{
    m_grid->Fill();
    FillBars();
}

void TCalibrMmpPanel::FillBars()
{
    QVector<double> keys;
    QVector<double> values;
    const int n = CalibrPointCount(m_model.CalibrModeMMP());
    for (int i = 1; i <= n; ++i) {
        const TCalibrPoint &p = m_model.CalibrTableMMP.Points[std::size_t(i - 1)];
        keys << i;
        values << p.Measured - p.SetValue;
    }
    m_bars->setData(keys, values, true);
    // Value marks: one text per bar.
    m_chart->clearItems();
    double low = 0;
    double high = 0;
    for (int i = 0; i < keys.size(); ++i) {
        low = std::min(low, values[i]);
        high = std::max(high, values[i]);
        auto *mark = new QCPItemText(m_chart);
        mark->position->setCoords(keys[i], values[i]);
        mark->setPositionAlignment(values[i] < 0 ? Qt::AlignHCenter | Qt::AlignTop
                                                 : Qt::AlignHCenter | Qt::AlignBottom);
        mark->setText(FloatToStrF(values[i], ffFixed, 9, 1));
        mark->setPen(QPen(Qt::black));
        mark->setBrush(QColor(0xFF, 0xFF, 0xE1));
        mark->setPadding(QMargins(2, 0, 2, 0));
    }
    const double pad = std::max(1.0, (high - low) * 0.2);
    m_chart->yAxis->setRange(low - pad, high + pad);
    m_chart->xAxis->setRange(0, 6);
    m_chart->replot();
}

void TCalibrMmpPanel::Capture()
{
    if (CaptureCalibrPoint(m_model.CalibrTableMMP, m_model.CalibrModeMMP(),
                           m_model.LevelFree().Output().ToDouble()) == 0)
        return;
    Fill();
}

void TCalibrMmpPanel::Calculate()
{
    m_model.PrevKrPer = m_model.KrPer();
    m_model.PrevSmPer = m_model.SmPer();
    if (!MmpCoefficientsTypical(m_model) &&
        Dialogs().Question(MmpNotTypicalQuestion(m_model.KrFChH(), m_model.SmFChH()),
                           {TDialogButton::Yes, TDialogButton::No},
                           TDialogButton::No) != TDialogButton::Yes)
        return;
    const TMmpComputation computation = ComputeMmpCalibration(m_model);
    Dialogs().Message(MmpNewValuesMessage(computation.Result), TDialogIcon::Information);
    if (!computation.Refusal.isEmpty())
        Dialogs().Message(computation.Refusal, TDialogIcon::Warning);
    if (m_host.RefreshParameters)
        m_host.RefreshParameters();
}

void TCalibrMmpPanel::Correct()
{
    CorrectMmpTable(m_model.CalibrTableMMP, m_model.CalibrModeMMP());
    Fill();
    if (m_host.RefreshParameters)
        m_host.RefreshParameters();
}

void TCalibrMmpPanel::SetTypical()
{
    if (Dialogs().Question(MmpTypicalValuesQuestion(), {TDialogButton::Yes, TDialogButton::No},
                           TDialogButton::No) != TDialogButton::Yes)
        return;
    SetMmpTypicalValues(m_model);
    Fill();
    if (m_host.RefreshParameters)
        m_host.RefreshParameters();
}

void TCalibrMmpPanel::Edit()
{
    if (m_host.ExecuteAction)
        m_host.ExecuteAction(QStringLiteral("actKalibrMMPShow"));
}

} // namespace tals
