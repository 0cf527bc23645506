#include "ui/controls/test_chart.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QKeyEvent>
#include <QScrollBar>
#include <QToolBar>
#include <QVBoxLayout>

#include <qcustomplot.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace tals {

namespace {

// Smallest and largest key and value of a graph's points, optionally only of
// the points whose key lies in [keyMin, keyMax].
bool GraphBounds(const QCPGraph *graph, double &kMin, double &kMax, double &vMin, double &vMax,
                 const QCPRange *keyWindow = nullptr)
{
    bool any = false;
    for (auto it = graph->data()->constBegin(); it != graph->data()->constEnd(); ++it) {
        if (keyWindow && !keyWindow->contains(it->key))
            continue;
        if (!any) {
            kMin = kMax = it->key;
            vMin = vMax = it->value;
            any = true;
            continue;
        }
        kMin = std::min(kMin, it->key);
        kMax = std::max(kMax, it->key);
        vMin = std::min(vMin, it->value);
        vMax = std::max(vMax, it->value);
    }
    return any;
}

// A range that can be shown: equal ends get a little room.
QCPRange Shown(double lo, double hi)
{
    if (hi - lo < 1e-9) {
        const double pad = std::max(1.0, std::fabs(lo) * 0.05);
        return {lo - pad, hi + pad};
    }
    return {lo, hi};
}

} // namespace

TTestChart::TTestChart(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("pnlChart"));
    m_plot = new QCustomPlot(this);
    m_plot->setObjectName(QStringLiteral("Chart"));
    m_plot->setFocusPolicy(Qt::StrongFocus);
    m_plot->legend->setVisible(false);
    m_background = palette().color(QPalette::Window);
    m_plot->setBackground(QBrush(m_background));
    m_plot->axisRect()->setBackground(QBrush(Qt::white));
    m_plot->xAxis->grid()->setPen(QPen(QColor(0xC0, 0xC0, 0xC0), 0, Qt::DotLine));
    m_plot->yAxis->grid()->setPen(QPen(QColor(0xC0, 0xC0, 0xC0), 0, Qt::DotLine));
    m_plot->setMinimumSize(300, 200);
    m_plot->plotLayout()->insertRow(0);
    auto *title = new QCPTextElement(m_plot, QString(), QFont(font().family(), 9, QFont::Bold));
    title->setObjectName(QStringLiteral("ChartTitle"));
    m_plot->plotLayout()->addElement(0, 0, title);
    connect(m_plot->xAxis, qOverload<const QCPRange &>(&QCPAxis::rangeChanged), this,
            [this] { UpdateScrollBar(); });

    m_scroll = new QScrollBar(Qt::Horizontal, this);
    m_scroll->setObjectName(QStringLiteral("sbChart"));
    m_scroll->setRange(0, 100);
    connect(m_scroll, &QScrollBar::valueChanged, this, &TTestChart::ScrollBarMoved);

    m_toolBar = new QToolBar(this);
    m_toolBar->setObjectName(QStringLiteral("tbChart"));
    m_toolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    struct
    {
        const char *name;
        const char *text;
        const char *shortText; // on the button; the full text is its hint
        void (TTestChart::*slot)();
    } const tools[] = {
        {"actChartCopy", "Скопировать изображение графика в буфер обмена", "Копировать",
         &TTestChart::CopyToClipboard},
        {"actChartZoomOut", "Уменьшить", "Уменьшить", &TTestChart::ZoomOut},
        {"actChartZoomIn", "Увеличить", "Увеличить", &TTestChart::ZoomIn},
        {"actChartShowAllX", "Показать все по X", "Все по X", &TTestChart::ShowAllX},
        {"actChartShowAllY", "Показать все по Y", "Все по Y", &TTestChart::ShowAllY},
        {"actChartShowAllXY", "Показать все по XY", "Все по XY", &TTestChart::ShowAllXY},
        {"actChartUndoZoom", "Отменить увеличение", "Отменить", &TTestChart::UndoZoom},
    };
    for (const auto &t : tools) {
        QAction *a = m_toolBar->addAction(QString::fromUtf8(t.text));
        a->setObjectName(QLatin1String(t.name));
        a->setIconText(QString::fromUtf8(t.shortText));
        a->setToolTip(QString::fromUtf8(t.text));
        connect(a, &QAction::triggered, this, t.slot);
    }

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_toolBar);
    layout->addWidget(m_plot, 1);
    layout->addWidget(m_scroll);
}

QCPGraph *TTestChart::AddGraph(const QColor &color, bool withMarks)
{
    QCPGraph *g = m_plot->addGraph();
    g->setPen(QPen(color, 1.5));
    if (withMarks)
        g->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssCircle, color, color, 5));
    return g;
}

void TTestChart::SetHomeRanges(double xMin, double xMax, double yMin, double yMax)
{
    m_home[0] = xMin;
    m_home[1] = xMax;
    m_home[2] = yMin;
    m_home[3] = yMax;
    UndoZoom();
}

void TTestChart::UndoZoom()
{
    m_plot->xAxis->setRange(Shown(m_home[0], m_home[1]));
    m_plot->yAxis->setRange(Shown(m_home[2], m_home[3]));
    Replot();
}

void TTestChart::Zoom(double factor)
{
    m_plot->xAxis->scaleRange(factor);
    m_plot->yAxis->scaleRange(factor);
    Replot();
}

void TTestChart::ShowAllX()
{
    double minX = 0;
    double maxX = 0;
    if (!DataXRange(minX, maxX))
        return;
    m_plot->xAxis->setRange(Shown(minX, maxX));
    Replot();
}

void TTestChart::ShowAllY()
{
    if (!m_ySeries)
        return;
    double kMin = 0, kMax = 0, vMin = 0, vMax = 0;
    const QCPRange window = m_plot->xAxis->range();
    if (!GraphBounds(m_ySeries, kMin, kMax, vMin, vMax, &window))
        return;
    m_plot->yAxis->setRange(Shown(vMin, vMax));
    Replot();
}

void TTestChart::ShowAllXY()
{
    double lo = std::numeric_limits<double>::max();
    double hi = std::numeric_limits<double>::lowest();
    bool any = false;
    for (int i = 0; i < m_plot->graphCount(); ++i) {
        double kMin = 0, kMax = 0, vMin = 0, vMax = 0;
        if (!m_plot->graph(i)->visible() || !GraphBounds(m_plot->graph(i), kMin, kMax, vMin, vMax))
            continue;
        lo = std::min(lo, vMin);
        hi = std::max(hi, vMax);
        any = true;
    }
    ShowAllX();
    if (any)
        m_plot->yAxis->setRange(Shown(lo, hi));
    Replot();
}

void TTestChart::CopyToClipboard()
{
    m_plot->setBackground(QBrush(Qt::white));
    const QPixmap image = m_plot->toPixmap();
    m_plot->setBackground(QBrush(m_background));
    m_plot->replot();
    QApplication::clipboard()->setPixmap(image);
}

QByteArray TTestChart::BmpBytes()
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !m_plot->toPixmap().save(&buffer, "BMP"))
        return {};
    return bytes;
}

void TTestChart::Replot()
{
    m_plot->replot();
    UpdateScrollBar();
}

bool TTestChart::HandleKey(const QKeyEvent &event)
{
    switch (event.key()) {
    case Qt::Key_Space:
        UndoZoom();
        return true;
    case Qt::Key_PageUp:
        ScrollVertical(0.1);
        return true;
    case Qt::Key_PageDown:
        ScrollVertical(-0.1);
        return true;
    case Qt::Key_Left:
        ScrollHorizontal(-0.01);
        return true;
    case Qt::Key_Right:
        ScrollHorizontal(0.01);
        return true;
    case Qt::Key_Up:
        ScrollVertical(0.01);
        return true;
    case Qt::Key_Down:
        ScrollVertical(-0.01);
        return true;
    case Qt::Key_Home:
        SetScrollPosition(0);
        m_plot->setFocus();
        return true;
    case Qt::Key_End:
        SetScrollPosition(100);
        m_plot->setFocus();
        return true;
    case Qt::Key_Plus:
        ZoomIn();
        return true;
    case Qt::Key_Minus:
        ZoomOut();
        return true;
    default:
        return false;
    }
}

void TTestChart::ScrollHorizontal(double fraction)
{
    m_plot->xAxis->moveRange(m_plot->xAxis->range().size() * fraction);
    Replot();
    m_plot->setFocus();
}

void TTestChart::ScrollVertical(double fraction)
{
    m_plot->yAxis->moveRange(m_plot->yAxis->range().size() * fraction);
    Replot();
    m_plot->setFocus();
}

void TTestChart::SetScrollPosition(int position)
{
    m_scroll->setValue(position);
    ScrollBarMoved(m_scroll->value());
}

void TTestChart::ScrollBarMoved(int position)
{
    double minX = 0;
    double maxX = 0;
    if (m_settingScroll || !DataXRange(minX, maxX) || maxX <= minX)
        return;
    const double width = m_plot->xAxis->range().size();
    const double top = maxX - (maxX - minX) * (100 - position) / 100.0;
    m_settingScroll = true;
    m_plot->xAxis->setRange(top - width, top);
    m_plot->replot();
    m_settingScroll = false;
}

void TTestChart::UpdateScrollBar()
{
    double minX = 0;
    double maxX = 0;
    if (m_settingScroll || !DataXRange(minX, maxX) || maxX <= minX)
        return;
    const double p = 100 - std::round((maxX - m_plot->xAxis->range().upper) * 100 / (maxX - minX));
    m_settingScroll = true;
    m_scroll->setValue(int(std::clamp(p, 0.0, 100.0)));
    m_settingScroll = false;
}

bool TTestChart::DataXRange(double &minX, double &maxX) const
{
    bool any = false;
    for (int i = 0; i < m_plot->graphCount(); ++i) {
        double kMin = 0, kMax = 0, vMin = 0, vMax = 0;
        if (!GraphBounds(m_plot->graph(i), kMin, kMax, vMin, vMax))
            continue;
        minX = any ? std::min(minX, kMin) : kMin;
        maxX = any ? std::max(maxX, kMax) : kMax;
        any = true;
    }
    return any;
}

} // namespace tals
