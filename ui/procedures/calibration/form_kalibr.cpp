#include "ui/procedures/calibration/form_kalibr.h"

#include "device/fft_calibration.h"
#include "device/mmp_calibration.h"
#include "device/tals352.h"
#include "platform/number_format.h"
#include "ui/application/window_position.h"
#include "ui/controls/residual_axis_menu.h"
#include "ui/controls/value_text.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <qcustomplot.h>

#include <algorithm>
#include <cmath>

namespace tals {

namespace {

constexpr int kRepeatMs = 100;
constexpr double kBottomStep = 2000;

} // namespace

TFormKalibrBase::TFormKalibrBase(TKind kind, Ttals352 &model, TKalibrHost host,
                                 TShowReport showReport, QWidget *parent)
    : QMainWindow(parent), m_kind(kind), m_model(model), m_host(std::move(host)),
      m_showReport(std::move(showReport))
{
    const bool mmp = kind == TKind::Mmp;
    setObjectName(mmp ? QStringLiteral("FormKalibrMMP") : QStringLiteral("FormKalibr"));
    setWindowTitle(mmp ? QStringLiteral("Калибровка ММП") : QStringLiteral("Калибровка"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(760, 520);

    m_pointsHide = AddAction("actPointsHide", QStringLiteral("Точки скрыть"));
    m_pointsShow = AddAction("actPointsShow", QStringLiteral("Точки показать"));
    m_pointsHide->setCheckable(true);
    m_pointsShow->setCheckable(true);
    auto *pointsGroup = new QActionGroup(this);
    pointsGroup->addAction(m_pointsHide);
    pointsGroup->addAction(m_pointsShow);
    m_pointsShow->setChecked(true);
    connect(m_pointsShow, &QAction::triggered, this, [this] { ShowPoints(true); });
    connect(m_pointsHide, &QAction::triggered, this, [this] { ShowPoints(false); });
    QAction *refresh = AddAction("actUpdate", QStringLiteral("Обновить"));
    refresh->setShortcut(QKeySequence(Qt::Key_F5));
    connect(refresh, &QAction::triggered, this, &TFormKalibrBase::Update);
    QAction *report = AddAction("actReport", QStringLiteral("График"));
    report->setToolTip(QStringLiteral("Отчет"));
    report->setStatusTip(QStringLiteral("Отчет"));
    connect(report, &QAction::triggered, this, &TFormKalibrBase::Report);
    QAction *close = AddAction("actCloseWindow", QStringLiteral("Закрыть окно"));
    connect(close, &QAction::triggered, this, &QWidget::close);

    QMenu *points = menuBar()->addMenu(QStringLiteral("Точки"));
    points->addActions({m_pointsHide, m_pointsShow});
    menuBar()->addMenu(QStringLiteral("Отчеты"))->addAction(report);
    QMenu *window = menuBar()->addMenu(QStringLiteral("Окно"));
    window->addAction(refresh);
    window->addAction(close);
    QToolBar *tools = addToolBar(QStringLiteral("Калибровка"));
    tools->setObjectName(QStringLiteral("tbKalibr"));
    tools->setMovable(false);
    tools->addActions({m_pointsHide, m_pointsShow, refresh, report, close});

    // The chart of the residuals.
    m_chart = new QCustomPlot;
    m_chart->setObjectName(QStringLiteral("Chart"));
    m_chart->setMinimumHeight(250);
    m_series = m_chart->addGraph();
    m_series->setName(QStringLiteral("Series1"));
    m_series->setPen(QPen(QColor(0xFF, 0x00, 0x00), 2));
    m_series->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssSquare, Qt::red, Qt::red, 3));
    auto ticker = QSharedPointer<QCPAxisTickerFixed>::create();
    ticker->setTickStep(kBottomStep);
    ticker->setScaleStrategy(QCPAxisTickerFixed::ssNone);
    m_chart->xAxis->setTicker(ticker);
    m_chart->xAxis->setLabel(QStringLiteral("Установленное значение, мм"));
    m_chart->xAxis->setNumberFormat(QStringLiteral("f"));
    m_chart->xAxis->setNumberPrecision(0);
    m_chart->yAxis->setLabel(QStringLiteral("Разброс"));
    m_chart->yAxis->setRange(-kResidualFixedRange, kResidualFixedRange);
    AddResidualAxisMenu(m_chart, [this](bool automatic) { SetAxisAutomatic(automatic); });
    m_chart->setMouseTracking(true);
    connect(m_chart, &QCustomPlot::mouseMove, this,
            [this](QMouseEvent *e) { ShowCursor(e->position()); });

    // The two coefficients with their steps.
    auto panel = [this](const char *name, const QString &caption, TValueText *&label,
                        QToolButton *&up, QToolButton *&down, const char *upName,
                        const char *downName) {
        auto *box = new QGroupBox(caption);
        box->setObjectName(QLatin1String(name));
        auto *row = new QHBoxLayout(box);
        label = new TValueText(QStringLiteral("lbl") + QLatin1String(name).mid(3));
        label->setMinimumWidth(140);
        label->setToolTip(QStringLiteral("Изменить"));
        up = StepButton(upName, QStringLiteral("Увеличить"), QStringLiteral("▲"));
        down = StepButton(downName, QStringLiteral("Уменьшить"), QStringLiteral("▼"));
        row->addWidget(label, 1);
        row->addWidget(up);
        row->addWidget(down);
        return box;
    };
    QGroupBox *offsetBox =
        panel(mmp ? "pnlSmFChH" : "pnlSmPer",
              mmp ? QStringLiteral("Смещение нуля ФЧХ") : QStringLiteral("Смещение нуля"),
              m_lblOffset, m_offsetUp, m_offsetDown, "sbOffsetUp", "sbOffsetDown");
    QGroupBox *slopeBox = panel(mmp ? "pnlKrFChH" : "pnlKrPer",
                                mmp ? QStringLiteral("Крутизна ФЧХ")
                                    : QStringLiteral("Крутизна характеристики преобразования"),
                                m_lblSlope, m_slopeUp, m_slopeDown, "sbSlopeUp", "sbSlopeDown");
    m_repeat = new QTimer(this);
    m_repeat->setObjectName(QStringLiteral("tmRepeat"));
    m_repeat->setInterval(kRepeatMs);
    connect(m_repeat, &QTimer::timeout, this, &TFormKalibrBase::RepeatTick);
    HoldToRepeat(m_offsetUp, [this] { StepOffset(+1); });
    HoldToRepeat(m_offsetDown, [this] { StepOffset(-1); });
    HoldToRepeat(m_slopeUp, [this] { StepSlope(+1); });
    HoldToRepeat(m_slopeDown, [this] { StepSlope(-1); });
    connect(m_lblOffset, &TValueText::Clicked, this, &TFormKalibrBase::ChangeOffset);
    connect(m_lblSlope, &TValueText::Clicked, this, &TFormKalibrBase::ChangeSlope);

    m_write = new QPushButton(mmp ? QStringLiteral("Записать Смещение нуля ФЧХ и Крутизну ФЧХ")
                                  : QStringLiteral("Записать Смещение нуля и Крутизну"));
    m_write->setObjectName(QStringLiteral("bbtnWrite"));
    m_write->setMinimumHeight(30);
    connect(m_write, &QPushButton::clicked, this, &TFormKalibrBase::WriteCoefficients);

    auto *coefficients = new QHBoxLayout;
    coefficients->addWidget(offsetBox, 1);
    coefficients->addWidget(slopeBox, 1);
    auto *central = new QWidget;
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_chart, 1);
    layout->addLayout(coefficients);
    layout->addWidget(m_write);
    setCentralWidget(central);

    m_status = new QLabel;
    m_status->setObjectName(QStringLiteral("stbPanel0"));
    m_status->setMinimumWidth(220);
    statusBar()->setObjectName(QStringLiteral("StatusBar"));
    statusBar()->addWidget(m_status);

    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);

    RestoreWindowPlacement(*this);
    Update();
}

TFormKalibrBase::~TFormKalibrBase()
{
    // A button held while the window goes is released by its own destruction,
    // after this part of the window is gone: its handlers must not run then.
    m_repeat->stop();
    for (QToolButton *b : {m_offsetUp, m_offsetDown, m_slopeUp, m_slopeDown})
        disconnect(b, nullptr, this, nullptr);
    disconnect(m_chart, nullptr, this, nullptr);
}

QAction *TFormKalibrBase::AddAction(const char *name, const QString &text)
{
    auto *a = new QAction(text, this);
    a->setObjectName(QLatin1String(name));
    addAction(a);
    return a;
}

QToolButton *TFormKalibrBase::StepButton(const char *name, const QString &hint,
                                         const QString &arrow)
{
    auto *b = new QToolButton;
    b->setObjectName(QLatin1String(name));
    b->setToolTip(hint);
    b->setText(arrow);
    b->setMinimumSize(32, 26);
    return b;
}

void TFormKalibrBase::HoldToRepeat(QToolButton *button, std::function<void()> step)
{
    // One step at the press, then one per tick until the release.
    connect(button, &QToolButton::pressed, this, [this, step] {
        m_repeatStep = step;
        step();
        m_repeat->start();
    });
    connect(button, &QToolButton::released, this, [this] {
        m_repeat->stop();
        m_repeatStep = nullptr;
    });
}

const TCalibrTable &TFormKalibrBase::Table() const
{
    return m_kind == TKind::Mmp ? m_model.CalibrTableMMP : m_model.CalibrTable;
}

int TFormKalibrBase::PointCount() const
{
    return m_kind == TKind::Mmp ? m_model.CalibrModeMMP() : m_model.CalibrMode();
}

QString TFormKalibrBase::ReportTitle() const
{
    return m_kind == TKind::Mmp ? QStringLiteral("Калибровка ТАЛС35xИ (ММП)")
                                : QStringLiteral("Калибровка ТАЛС35xИ (БПФ)");
}

bool TFormKalibrBase::PointsShown() const
{
    return m_series->scatterStyle().shape() != QCPScatterStyle::ssNone;
}

void TFormKalibrBase::Update()
{
    const std::vector<TCalibrResidual> points =
        CalibrResiduals(Table(), PointCount(), m_model.KrPer(), m_model.SmPer(), m_model.PrevKrPer,
                        m_model.PrevSmPer);
    m_series->data()->clear();
    for (const TCalibrResidual &p : points)
        m_series->addData(p.Set, p.Error);
    if (m_kind == TKind::Mmp) {
        m_lblOffset->setText(FloatToStrF(m_model.SmFChH(), ffNumber, 15, 8));
        m_lblSlope->setText(FloatToStrF(m_model.KrFChH(), ffFixed, 15, 8));
    } else {
        m_lblOffset->setText(FloatToStrF(m_model.SmPer(), ffNumber, 15, 5));
        m_lblSlope->setText(FloatToStrF(m_model.KrPer(), ffFixed, 15, 5));
    }
    if (ResidualsBeyondFixedRange(points) && !m_axisPinned)
        m_axisAutomatic = true;

    // The bottom axis spans the set values with a step's margin.
    double low = 0;
    double high = 12000;
    if (PointCount() > 0) {
        low = high = Table().Points[0].SetValue;
        for (int i = 0; i < CalibrPointCount(PointCount()); ++i) {
            low = std::min(low, Table().Points[std::size_t(i)].SetValue);
            high = std::max(high, Table().Points[std::size_t(i)].SetValue);
        }
        low = std::floor((low - 1) / kBottomStep) * kBottomStep;
        high = std::ceil((high + 1) / kBottomStep) * kBottomStep;
    }
    m_chart->xAxis->setRange(low, high);
    if (m_axisAutomatic) {
        bool found = false;
        QCPRange y = m_series->getValueRange(found);
        if (!found)
            y = QCPRange(-kResidualFixedRange, kResidualFixedRange);
        const double pad = std::max(0.5, y.size() * 0.1);
        m_chart->yAxis->setRange(y.lower - pad, y.upper + pad);
    } else {
        m_chart->yAxis->setRange(-kResidualFixedRange, kResidualFixedRange);
    }
    m_chart->replot();
}

void TFormKalibrBase::RepeatTick()
{
    if (m_repeatStep)
        m_repeatStep();
}

void TFormKalibrBase::AfterStep()
{
    Update();
    if (m_host.RefreshParameters)
        m_host.RefreshParameters();
}

void TFormKalibrBase::StepOffset(int direction)
{
    if (m_kind == TKind::Mmp)
        m_model.SetSmFChH(m_model.SmFChH() + direction * kSmFChHStep);
    else
        m_model.SetSmPer(m_model.SmPer() + direction * kSmPerStep);
    AfterStep();
}

void TFormKalibrBase::StepSlope(int direction)
{
    if (m_kind == TKind::Mmp)
        m_model.SetKrFChH(m_model.KrFChH() + direction * kKrFChHStep);
    else
        m_model.SetKrPer(m_model.KrPer() + direction * kKrPerStep);
    AfterStep();
}

void TFormKalibrBase::ChangeOffset()
{
    if (m_host.Execute)
        m_host.Execute(m_kind == TKind::Mmp ? QStringLiteral("actSmFChHChange")
                                            : QStringLiteral("actSmPerChange"));
    AfterStep();
}

void TFormKalibrBase::ChangeSlope()
{
    if (m_host.Execute)
        m_host.Execute(m_kind == TKind::Mmp ? QStringLiteral("actKrFChHChange")
                                            : QStringLiteral("actKrPerChange"));
    AfterStep();
}

void TFormKalibrBase::WriteCoefficients()
{
    if (!m_host.Execute)
        return;
    try {
        const bool polling = m_host.IsPolling && m_host.IsPolling();
        m_host.Execute(QStringLiteral("actOprosStop"));
        if (m_kind == TKind::Mmp) {
            m_host.Execute(QStringLiteral("actKrFChHWrite"));
            m_host.Execute(QStringLiteral("actSmFChHWrite"));
        } else {
            m_host.Execute(QStringLiteral("actKrPerWrite"));
            m_host.Execute(QStringLiteral("actSmPerWrite"));
        }
        if (polling)
            m_host.Execute(QStringLiteral("actOprosStart"));
    } catch (...) {
        // Any failure on the way ends the sequence silently.
    }
}

void TFormKalibrBase::ShowPoints(bool shown)
{
    m_series->setScatterStyle(shown
                                  ? QCPScatterStyle(QCPScatterStyle::ssSquare, Qt::red, Qt::red, 3)
                                  : QCPScatterStyle(QCPScatterStyle::ssNone));
    (shown ? m_pointsShow : m_pointsHide)->setChecked(true);
    m_chart->replot();
}

void TFormKalibrBase::SetAxisAutomatic(bool automatic)
{
    m_axisAutomatic = automatic;
    m_axisPinned = !automatic;
    Update();
}

void TFormKalibrBase::Report()
{
    if (m_showReport)
        m_showReport(*this);
}

void TFormKalibrBase::ShowCursor(const QPointF &pixel)
{
    if (!m_chart->axisRect()->rect().contains(pixel.toPoint())) {
        m_status->clear();
        return;
    }
    const double x = m_chart->xAxis->pixelToCoord(pixel.x());
    const double y = m_chart->yAxis->pixelToCoord(pixel.y());
    m_status->setText(QStringLiteral("Сигнал[") + FloatToStrF(x, ffNumber, 15, 0) +
                      QStringLiteral("] = ") + FloatToStrF(y, ffNumber, 15, 0));
}

void TFormKalibrBase::closeEvent(QCloseEvent *event)
{
    m_repeat->stop();
    SaveWindowPlacement(*this);
    QMainWindow::closeEvent(event);
}

bool TFormKalibrBase::eventFilter(QObject *watched, QEvent *event)
{
    return QMainWindow::eventFilter(watched, event);
}

TFormKalibr::TFormKalibr(Ttals352 &model, TKalibrHost host, TShowReport showReport, QWidget *parent)
    : TFormKalibrBase(TKind::Fft, model, std::move(host), std::move(showReport), parent)
{}

TFormKalibrMMP::TFormKalibrMMP(Ttals352 &model, TKalibrHost host, TShowReport showReport,
                               QWidget *parent)
    : TFormKalibrBase(TKind::Mmp, model, std::move(host), std::move(showReport), parent)
{}

} // namespace tals
