#include "ui/windows/form_array.h"

#include "device/tals352.h"
#include "platform/number_format.h"
#include "ui/application/window_position.h"
#include "ui/reports/rep_graph.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QShortcut>
#include <QStatusBar>
#include <QToolBar>

#include <qcustomplot.h>

#include <cmath>

namespace tals {

namespace {

// A copy of an axis ticker, so that window and report never share one.
QSharedPointer<QCPAxisTicker> CloneTicker(const QSharedPointer<QCPAxisTicker> &ticker)
{
    if (auto fixed = ticker.dynamicCast<QCPAxisTickerFixed>()) {
        auto copy = QSharedPointer<QCPAxisTickerFixed>::create();
        copy->setTickStep(fixed->tickStep());
        copy->setScaleStrategy(fixed->scaleStrategy());
        copy->setTickCount(fixed->tickCount());
        return copy;
    }
    auto copy = QSharedPointer<QCPAxisTicker>::create();
    copy->setTickCount(ticker->tickCount());
    return copy;
}

void CopyAxisSettings(const QCPAxis &from, QCPAxis &to)
{
    to.setRange(from.range());
    to.setTicker(CloneTicker(from.ticker()));
    to.setNumberFormat(from.numberFormat());
    to.setNumberPrecision(from.numberPrecision());
    to.setLabel(from.label());
    to.setTickLabels(from.tickLabels());
    to.setTickLabelFont(from.tickLabelFont());
    to.setLabelFont(from.labelFont());
    to.setRangeReversed(from.rangeReversed());
    to.setScaleType(from.scaleType());
}

QSharedPointer<QCPAxisTickerFixed> FixedTicker(double step)
{
    auto ticker = QSharedPointer<QCPAxisTickerFixed>::create();
    ticker->setTickStep(step);
    // The step is the least distance between labels; a multiple keeps them apart.
    ticker->setScaleStrategy(QCPAxisTickerFixed::ssMultiples);
    return ticker;
}

QCPScatterStyle PointStyle(bool show)
{
    if (!show)
        return QCPScatterStyle(QCPScatterStyle::ssNone);
    return QCPScatterStyle(QCPScatterStyle::ssSquare, Qt::blue, Qt::blue, 3);
}

} // namespace

QString SpectrumReadout(double x, double y, double krPer)
{
    return QStringLiteral("Спектр[") + FloatToStrF(x, ffNumber, 9, 0) + QLatin1Char('/') +
           FloatToStrF(krPer * (2 * x + 1), ffNumber, 10, 1) + QStringLiteral("] = ") +
           FloatToStrF(y, ffNumber, 9, 5);
}

QString SignalReadout(double x, double y)
{
    return QStringLiteral("Сигнал[") + FloatToStrF(x, ffNumber, 9, 0) + QStringLiteral("] = ") +
           FloatToStrF(y, ffNumber, 9, 0);
}

void DecibelPoints(const double *values, int count, QVector<double> &x, QVector<double> &y)
{
    x.clear();
    y.clear();
    double maximum = 0;
    for (int i = 0; i < count; ++i)
        maximum = std::max(maximum, values[i]);
    if (maximum == 0)
        return;
    for (int i = 0; i < count; ++i) {
        const double v = values[i];
        if (!(v > 0)) // no logarithm: the point is left out
            continue;
        x << i;
        y << 10 * std::log10(v / maximum);
    }
}

TFormArray::TFormArray(const TLayout &layout, const Ttals352 &model, TRepGraph &report,
                       QWidget *parent)
    : QMainWindow(parent), m_layout(layout), m_model(model), m_report(report)
{
    setObjectName(QString::fromLatin1(layout.objectName));
    setWindowTitle(QString::fromUtf8(layout.caption));
    resize(820, 520);

    m_chart = new QCustomPlot(this);
    m_chart->setObjectName(QStringLiteral("Chart"));
    setCentralWidget(m_chart);
    m_series = m_chart->addGraph();
    m_series->setName(QStringLiteral("Series1"));
    m_series->setPen(QPen(Qt::blue, 1));
    m_chart->legend->setVisible(false);
    m_chart->xAxis->setRange(0, layout.bottomMax);
    m_chart->xAxis->setTicker(FixedTicker(layout.bottomStep));
    if (layout.leftStep > 0)
        m_chart->yAxis->setTicker(FixedTicker(layout.leftStep));
    m_chart->setSelectionRectMode(QCP::srmZoom);
    m_chart->selectionRect()->setPen(QPen(Qt::darkGray, 1, Qt::DashLine));
    // After QCustomPlot has zoomed.
    connect(m_chart->selectionRect(), &QCPSelectionRect::accepted, this, [this] { AfterZoom(); });
    m_chart->setMouseTracking(true);
    connect(m_chart, &QCustomPlot::mouseMove, this,
            [this](QMouseEvent *event) { ShowReadoutAt(event->position().toPoint()); });

    auto *status = new QStatusBar(this);
    status->setObjectName(QStringLiteral("StatusBar"));
    setStatusBar(status);
    for (int i = 0; i < layout.panelWidths.size(); ++i) {
        auto *panel = new QLabel(this);
        panel->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        panel->setMinimumWidth(layout.panelWidths[i]);
        if (i == 0) {
            panel->setText(QStringLiteral("Точка на графике"));
            m_readout = panel;
        }
        status->addWidget(panel, i == 0 ? 1 : 0);
    }

    CreateActions();

    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
    auto *undo = new QShortcut(QKeySequence(Qt::Key_Space), this);
    connect(undo, &QShortcut::activated, this, &TFormArray::UndoZoom);

    RestoreWindowPlacement(*this);
}

TFormArray::~TFormArray() = default;

void TFormArray::CreateActions()
{
    auto make = [this](const char *name, const char *caption, const char *hint) {
        auto *action = new QAction(QString::fromUtf8(caption), this);
        action->setObjectName(QString::fromLatin1(name));
        action->setToolTip(QString::fromUtf8(hint));
        action->setStatusTip(QString::fromUtf8(hint));
        return action;
    };
    m_pointsTrue = make("actPointsTrue", "Точки показать", "Точки показать");
    m_pointsFalse = make("actPointsFalse", "Точки скрыть", "Точки скрыть");
    auto *report = make("actReportPreview", "График", "Отчет");
    auto *close = make("actClose", "Закрыть окно", "Закрыть окно");
    auto *group = new QActionGroup(this);
    for (QAction *a : {m_pointsTrue, m_pointsFalse}) {
        a->setCheckable(true);
        group->addAction(a);
    }
    m_pointsFalse->setChecked(true);
    connect(m_pointsTrue, &QAction::triggered, this, [this] { ShowPoints(true); });
    connect(m_pointsFalse, &QAction::triggered, this, [this] { ShowPoints(false); });
    connect(report, &QAction::triggered, this, [this] { PrepareReport().Preview(this); });
    connect(close, &QAction::triggered, this, &QWidget::close);

    auto *bar = addToolBar(QStringLiteral("ToolBar"));
    bar->setObjectName(QStringLiteral("ToolBar"));
    bar->setMovable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    bar->addAction(m_pointsFalse);
    bar->addAction(m_pointsTrue);
    bar->addSeparator();
    bar->addAction(report);
    bar->addSeparator();
    bar->addAction(close);

    QMenu *points = menuBar()->addMenu(QStringLiteral("Точки"));
    points->addAction(m_pointsFalse);
    points->addAction(m_pointsTrue);
    menuBar()->addMenu(QStringLiteral("Отчеты"))->addAction(report);
    menuBar()->addMenu(QStringLiteral("Окно"))->addAction(close);
}

void TFormArray::ShowPoints(bool show)
{
    m_pointsTrue->setChecked(show);
    m_pointsFalse->setChecked(!show);
    m_series->setScatterStyle(PointStyle(show));
    m_chart->replot();
}

void TFormArray::SetPoints(const QVector<double> &x, const QVector<double> &y)
{
    m_series->setData(x, y, true);
    RescaleLeft();
    m_chart->replot();
}

void TFormArray::RescaleLeft()
{
    bool found = false;
    QCPRange range = m_series->getValueRange(found, QCP::sdBoth, m_chart->xAxis->range());
    if (!found)
        return;
    if (range.size() == 0)
        range = QCPRange(range.lower - 1, range.upper + 1);
    const double pad = range.size() * 0.05;
    m_chart->yAxis->setRange(range.lower - pad, range.upper + pad);
}

bool TFormArray::ShowReadoutAt(const QPoint &pixel)
{
    if (!m_chart->axisRect()->rect().contains(pixel))
        return false;
    const double x = m_chart->xAxis->pixelToCoord(pixel.x());
    const double y = m_chart->yAxis->pixelToCoord(pixel.y());
    m_readout->setText(ReadoutText(x, y));
    return true;
}

void TFormArray::ZoomTo(double xMin, double xMax, double yMin, double yMax)
{
    m_chart->xAxis->setRange(xMin, xMax);
    m_chart->yAxis->setRange(yMin, yMax);
    AfterZoom();
}

void TFormArray::UndoZoom()
{
    m_chart->xAxis->setRange(0, m_layout.bottomMax);
    RescaleLeft();
    AfterZoom();
}

void TFormArray::AfterZoom()
{
    if (m_layout.adaptStepOnZoom) {
        const QCPRange r = m_chart->xAxis->range();
        const double step = std::max(1.0, double(std::lround(r.size() / 20)));
        if (auto fixed = m_chart->xAxis->ticker().dynamicCast<QCPAxisTickerFixed>())
            fixed->setTickStep(step);
    }
    m_chart->replot();
}

TRepGraph &TFormArray::PrepareReport()
{
    TRepGraph &report = m_report;
    QCustomPlot *chart = report.Chart();
    CopyAxisSettings(*m_chart->yAxis, *chart->yAxis);
    CopyAxisSettings(*m_chart->xAxis, *chart->xAxis);
    report.Series()->data()->set(*m_series->data());
    report.Series()->setScatterStyle(PointStyle(m_pointsTrue->isChecked()));
    report.Title.SetText(QString::fromUtf8(m_layout.reportTitle));
    AdjustReport(report);
    return report;
}

void TFormArray::closeEvent(QCloseEvent *event)
{
    SaveWindowPlacement(*this);
    QMainWindow::closeEvent(event);
}

} // namespace tals
