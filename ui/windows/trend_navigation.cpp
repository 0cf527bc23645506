#include "ui/windows/trend_navigation.h"

#include <QMouseEvent>
#include <QWheelEvent>

namespace tals {

namespace {

constexpr int kClickSlop = 4;      // pixels a click may move
constexpr int kWheelBurstMs = 700; // one history step for a turn of the wheel
constexpr std::size_t kHistory = 100;

} // namespace

TTrendNavigation::TTrendNavigation(QCustomPlot *chart) : QObject(chart), m_chart(chart)
{
    chart->installEventFilter(this);
    // A zoom rectangle: the view it began in is one step back.
    connect(chart->selectionRect(), &QCPSelectionRect::accepted, this, [this] {
        m_back.push_back(m_pressView);
        m_forward.clear();
    });
}

TTrendView TTrendNavigation::View() const
{
    return {m_chart->xAxis->range(), m_chart->yAxis->range()};
}

void TTrendNavigation::Push()
{
    const TTrendView view = View();
    if (!m_back.empty() && m_back.back() == view)
        return;
    m_back.push_back(view);
    if (m_back.size() > kHistory)
        m_back.erase(m_back.begin());
    m_forward.clear();
}

void TTrendNavigation::Apply(const TTrendView &view)
{
    m_chart->xAxis->setRange(view.x);
    m_chart->yAxis->setRange(view.y);
    emit restored();
}

bool TTrendNavigation::Back()
{
    if (m_back.empty())
        return false;
    m_forward.push_back(View());
    const TTrendView view = m_back.back();
    m_back.pop_back();
    Apply(view);
    return true;
}

bool TTrendNavigation::Forward()
{
    if (m_forward.empty())
        return false;
    m_back.push_back(View());
    const TTrendView view = m_forward.back();
    m_forward.pop_back();
    Apply(view);
    return true;
}

void TTrendNavigation::Clear()
{
    m_back.clear();
    m_forward.clear();
}

bool TTrendNavigation::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_chart || !m_enabled)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::Wheel: {
        auto *wheel = static_cast<QWheelEvent *>(event);
        if (!m_sinceWheel.isValid() || m_sinceWheel.elapsed() > kWheelBurstMs)
            Push();
        m_sinceWheel.restart();
        // The chart zooms around the cursor; Ctrl turns it to the value axis.
        m_chart->axisRect()->setRangeZoom(
            wheel->modifiers() & Qt::ControlModifier ? Qt::Vertical : Qt::Horizontal);
        return false;
    }
    case QEvent::MouseButtonPress: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        const bool pan =
            mouse->button() == Qt::MiddleButton ||
            (mouse->button() == Qt::LeftButton && (mouse->modifiers() & Qt::ShiftModifier));
        m_pressPos = mouse->pos();
        m_pressView = View();
        m_pressed = mouse->button() == Qt::LeftButton && !pan;
        if (!pan)
            return false;
        m_panning = true;
        return true; // not a zoom rectangle
    }
    case QEvent::MouseMove: {
        if (!m_panning)
            return false;
        auto *mouse = static_cast<QMouseEvent *>(event);
        // The drag is measured in the view it began with.
        const QRect area = m_chart->axisRect()->rect();
        const double dx =
            (m_pressPos.x() - mouse->pos().x()) * m_pressView.x.size() / std::max(1, area.width());
        const double dy =
            (mouse->pos().y() - m_pressPos.y()) * m_pressView.y.size() / std::max(1, area.height());
        m_chart->xAxis->setRange(m_pressView.x.lower + dx, m_pressView.x.upper + dx);
        m_chart->yAxis->setRange(m_pressView.y.lower + dy, m_pressView.y.upper + dy);
        m_chart->replot(QCustomPlot::rpQueuedReplot);
        emit viewChanged();
        return true;
    }
    case QEvent::MouseButtonRelease: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (m_panning) {
            m_panning = false;
            if (!(View() == m_pressView)) {
                m_back.push_back(m_pressView);
                m_forward.clear();
            }
            return true;
        }
        if (m_pressed && mouse->button() == Qt::LeftButton) {
            m_pressed = false;
            if ((mouse->pos() - m_pressPos).manhattanLength() <= kClickSlop)
                emit clicked(mouse->pos());
        }
        return false;
    }
    default:
        return false;
    }
}

} // namespace tals
