#include "ui/windows/form_array.h"

#include "device/tals352.h"
#include "platform/dialogs.h"
#include "platform/number_format.h"
#include "platform/paths.h"
#include "ui/application/window_position.h"
#include "ui/reports/rep_graph.h"

#include <QAction>
#include <QActionGroup>
#include <QClipboard>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QSaveFile>
#include <QShortcut>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>

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
    // Exactly the step: labels every 50 or 100 bins, never a wider multiple.
    ticker->setScaleStrategy(QCPAxisTickerFixed::ssNone);
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
    resize(layout.width, layout.height);

    auto *central = new QWidget(this);
    m_column = new QVBoxLayout(central);
    m_column->setContentsMargins(0, 0, 0, 0);
    m_column->setSpacing(2);
    m_chartRow = new QHBoxLayout;
    m_chartRow->setSpacing(4);
    m_column->addLayout(m_chartRow, 1);
    setCentralWidget(central);
    m_chart = new QCustomPlot(central);
    m_chart->setObjectName(QStringLiteral("Chart"));
    m_chartRow->addWidget(m_chart, 1);
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
        m_panels << panel;
    }

    CreateActions();

    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
    auto *undo = new QShortcut(QKeySequence(Qt::Key_Space), this);
    connect(undo, &QShortcut::activated, this, &TFormArray::UndoZoom);

    RestoreWindowPlacement(*this);
}

TFormArray::~TFormArray() = default;

QAction *TFormArray::MakeAction(const char *name, const char *caption, const char *hint)
{
    auto *action = new QAction(QString::fromUtf8(caption), this);
    action->setObjectName(QString::fromLatin1(name));
    action->setToolTip(QString::fromUtf8(hint));
    action->setStatusTip(QString::fromUtf8(hint));
    return action;
}

QLabel *TFormArray::StatusPanel(int index) const
{
    return m_panels.value(index);
}

void TFormArray::AddSideWidget(QWidget *widget)
{
    m_chartRow->addWidget(widget, 0);
}

void TFormArray::AddBottomWidget(QWidget *widget)
{
    m_column->addWidget(widget, 0);
}

void TFormArray::CreateActions()
{
    m_pointsTrue = MakeAction("actPointsTrue", "Точки показать", "Точки показать");
    m_pointsFalse = MakeAction("actPointsFalse", "Точки скрыть", "Точки скрыть");
    auto *report = MakeAction("actReportPreview", "График", "Отчет");
    auto *close = MakeAction("actClose", "Закрыть окно", "Закрыть окно");
    auto *undo = MakeAction("actUndoZoom", "Весь график", "Отменить увеличение (пробел)");
    auto *picture =
        MakeAction("actSavePicture", "Сохранить рисунок", "Сохранить график в файл PNG");
    auto *csv = MakeAction("actExportCsv", "Экспорт CSV", "Сохранить показанные кривые в файл CSV");
    auto *copy =
        MakeAction("actCopy", "Копировать", "Копировать график и его точки в буфер обмена");
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
    connect(undo, &QAction::triggered, this, &TFormArray::UndoZoom);
    connect(picture, &QAction::triggered, this, &TFormArray::ExportPicture);
    connect(csv, &QAction::triggered, this, &TFormArray::ExportCsv);
    connect(copy, &QAction::triggered, this, &TFormArray::CopyToClipboard);

    auto *bar = addToolBar(QStringLiteral("ToolBar"));
    m_toolBar = bar;
    bar->setObjectName(QStringLiteral("ToolBar"));
    bar->setMovable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    bar->addAction(m_pointsFalse);
    bar->addAction(m_pointsTrue);
    bar->addSeparator();
    bar->addAction(undo);
    bar->addSeparator();
    bar->addAction(report);
    bar->addSeparator();
    bar->addAction(close);

    QMenu *points = menuBar()->addMenu(QStringLiteral("Точки"));
    points->addAction(m_pointsFalse);
    points->addAction(m_pointsTrue);
    m_viewMenu = menuBar()->addMenu(QStringLiteral("Вид"));
    m_viewMenu->setObjectName(QStringLiteral("mnuView"));
    m_viewMenu->addAction(undo);
    QMenu *reports = menuBar()->addMenu(QStringLiteral("Отчеты"));
    reports->addAction(report);
    reports->addSeparator();
    reports->addAction(picture);
    reports->addAction(csv);
    reports->addAction(copy);
    menuBar()->addMenu(QStringLiteral("Окно"))->addAction(close);
}

QByteArray TFormArray::CurvesCsv() const
{
    // The series as drawn: key and value per point.
    QByteArray text = "\xEF\xBB\xBF";
    text += QStringLiteral("Точка,%1\r\n").arg(windowTitle()).toUtf8();
    const auto data = m_series->data();
    for (auto it = data->constBegin(); it != data->constEnd(); ++it)
        text += QByteArray::number(it->key, 'g', 10) + ',' +
                QByteArray::number(it->value, 'g', 10) + "\r\n";
    return text;
}

bool TFormArray::SavePicture(const QString &path) const
{
    return m_chart->savePng(path, std::max(1, m_chart->width()), std::max(1, m_chart->height()));
}

bool TFormArray::SaveCsv(const QString &path) const
{
    QSaveFile file(path);
    const QByteArray bytes = CurvesCsv();
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

void TFormArray::CopyToClipboard() const
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return;
    auto *data = new QMimeData;
    data->setImageData(m_chart->toPixmap().toImage());
    QByteArray csv = CurvesCsv();
    if (csv.startsWith("\xEF\xBB\xBF"))
        csv.remove(0, 3);
    data->setText(QString::fromUtf8(csv));
    clipboard->setMimeData(data);
}

void TFormArray::ExportPicture()
{
    QString path = Dialogs().SaveFileName(QStringLiteral("Сохранить рисунок"), StartDir(),
                                          QStringLiteral("Рисунки PNG (*.png)"));
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".png");
    if (!SavePicture(path))
        Dialogs().Message(QStringLiteral("Не удалось записать файл ") + path, TDialogIcon::Warning);
}

void TFormArray::ExportCsv()
{
    QString path = Dialogs().SaveFileName(QStringLiteral("Экспорт CSV"), StartDir(),
                                          QStringLiteral("Файлы CSV (*.csv)"));
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".csv");
    if (!SaveCsv(path))
        Dialogs().Message(QStringLiteral("Не удалось записать файл ") + path, TDialogIcon::Warning);
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
    ShowReadout(m_chart->xAxis->pixelToCoord(pixel.x()), m_chart->yAxis->pixelToCoord(pixel.y()));
    return true;
}

void TFormArray::ShowReadout(double key, double value)
{
    m_readout->setText(ReadoutText(key, value));
}

QCPRange TFormArray::FullBottomRange() const
{
    return QCPRange(0, m_layout.bottomMax);
}

void TFormArray::ZoomTo(double xMin, double xMax, double yMin, double yMax)
{
    m_chart->xAxis->setRange(xMin, xMax);
    m_chart->yAxis->setRange(yMin, yMax);
    AfterZoom();
}

void TFormArray::UndoZoom()
{
    m_chart->xAxis->setRange(FullBottomRange());
    RescaleLeft();
    AfterZoom();
}

void TFormArray::ResetBottomAxis()
{
    m_chart->xAxis->setRange(FullBottomRange());
    if (LayoutSteps())
        m_chart->xAxis->setTicker(FixedTicker(m_layout.bottomStep));
    else
        m_chart->xAxis->setTicker(QSharedPointer<QCPAxisTicker>::create());
    RescaleLeft();
    m_chart->replot();
}

void TFormArray::AfterZoom()
{
    auto fixed = m_chart->xAxis->ticker().dynamicCast<QCPAxisTickerFixed>();
    if (!LayoutSteps()) {
        // Another unit than bins: QCustomPlot's own readable steps.
        if (fixed)
            m_chart->xAxis->setTicker(QSharedPointer<QCPAxisTicker>::create());
    } else {
        if (!fixed) {
            fixed = FixedTicker(m_layout.bottomStep);
            m_chart->xAxis->setTicker(fixed);
        }
        double step = m_layout.bottomStep;
        if (m_layout.adaptStepOnZoom) {
            const QCPRange r = m_chart->xAxis->range();
            step = std::max(1.0, double(std::lround(r.size() / 20)));
        }
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
