#include "ui/windows/form_trend_base.h"

#include "platform/date_time.h"
#include "platform/dialogs.h"
#include "platform/format_settings.h"
#include "platform/number_format.h"
#include "ui/application/main_services.h"
#include "ui/application/window_position.h"
#include "ui/reports/rep_graph.h"
#include "ui/windows/form_range_dt.h"
#include "ui/windows/trend_chart.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QScrollBar>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>

#include <cmath>

namespace tals {

namespace {

constexpr int kReplotIntervalMs = 16;

// Axis changes made by the window itself (not by the mouse).
class TCodeChange
{
public:
    explicit TCodeChange(int &depth) : m_depth(depth) { ++m_depth; }
    ~TCodeChange() { --m_depth; }
    TCodeChange(const TCodeChange &) = delete;
    TCodeChange &operator=(const TCodeChange &) = delete;

private:
    int &m_depth;
};

int g_codeDepth = 0; // user-interface thread only

// Dates in figures whatever the locale: a locale without regional settings
// (C) would spell English month names among the Russian texts and overflow
// the panels.
QString ShortDateLongTime(TDateTime dt)
{
    QString format = FormatSettings().ShortDateFormat;
    if (format.contains(QStringLiteral("MMM")))
        format = QStringLiteral("dd.MM.yyyy");
    return ToQDate(dt).toString(format) + QLatin1Char(' ') + TimeToStr(dt);
}

// The report's copy of a window axis: range, title, visibility and grid.
void CopyAxis(const QCPAxis &from, QCPAxis &to)
{
    to.setRange(from.range());
    to.setLabel(from.label());
    to.setVisible(from.visible());
    to.setRangeReversed(from.rangeReversed());
    to.setScaleType(from.scaleType());
    to.grid()->setVisible(from.grid()->visible());
    to.grid()->setSubGridVisible(from.grid()->subGridVisible());
}

} // namespace

TFormTrendBase::TFormTrendBase(TTrendContext context, QWidget *parent)
    : QMainWindow(parent), m_context(std::move(context)), m_range(m_context.clock)
{
    setAttribute(Qt::WA_DeleteOnClose);
    resize(900, 520);

    m_chart = new QCustomPlot;
    m_chart->setObjectName(QStringLiteral("Chart"));
    m_chart->setFocusPolicy(Qt::StrongFocus);
    m_chart->installEventFilter(this);
    SetupTrendChart(*m_chart, QStringLiteral("dd.MM.yy\nHH:mm:ss"));

    m_scroll = new QScrollBar(Qt::Horizontal);
    m_scroll->setObjectName(QStringLiteral("ScrollBar"));
    m_scroll->setRange(0, 100);
    m_scroll->setPageStep(10);
    m_scroll->setEnabled(false);
    connect(m_scroll, &QScrollBar::valueChanged, this, [this](int position) {
        if (!m_scrollUpdating)
            OnScrollBarMoved(position);
    });

    auto *central = new QWidget;
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_chart, 1);
    layout->addWidget(m_scroll);
    setCentralWidget(central);

    // Zoom and scroll by mouse leave the chosen width.
    auto userChange = [this] {
        if (g_codeDepth > 0)
            return;
        UncheckWidths();
        UpdatePanels();
        UpdateScrollBar();
    };
    connect(m_chart->xAxis, qOverload<const QCPRange &>(&QCPAxis::rangeChanged), this, userChange);
    connect(m_chart->yAxis, qOverload<const QCPRange &>(&QCPAxis::rangeChanged), this, userChange);
    connect(m_chart, &QCustomPlot::mouseMove, this, [this](QMouseEvent *event) {
        QLabel *panel = Panel(CursorPanel());
        if (!panel)
            return;
        if (!m_chart->axisRect()->rect().contains(event->pos())) {
            panel->clear();
            return;
        }
        panel->setText(CursorText(m_chart->xAxis->pixelToCoord(event->pos().x()),
                                  m_chart->yAxis->pixelToCoord(event->pos().y())));
    });

    m_replotTimer.setSingleShot(true);
    connect(&m_replotTimer, &QTimer::timeout, this, &TFormTrendBase::ReplotNow);
}

TFormTrendBase::~TFormTrendBase() = default;

QAction *TFormTrendBase::AddAction(const QString &name, const QString &caption, const QString &hint,
                                   std::function<void()> handler, bool checkable)
{
    auto *action = new QAction(caption, this);
    action->setObjectName(name);
    action->setToolTip(hint);
    action->setStatusTip(hint);
    action->setCheckable(checkable);
    connect(action, &QAction::triggered, this, [this, handler] {
        // Nothing runs while the archive is being loaded.
        if (!m_loading && handler)
            handler();
    });
    m_actions.insert(name, action);
    addAction(action);
    return action;
}

void TFormTrendBase::CreateCommonActions()
{
    auto *modes = new QActionGroup(this);
    modes->addAction(AddAction(
        QStringLiteral("actCurrent"), QStringLiteral("Текущие показания"),
        QStringLiteral("Показания за последние сутки"), [this] { GoLive(); }, true));
    modes->addAction(AddAction(
        QStringLiteral("actStartStopDT"), QStringLiteral("Временной диапазон"),
        QStringLiteral("Временной диапазон"), [this] { GoRange(); }, true));
    modes->setExclusionPolicy(QActionGroup::ExclusionPolicy::None);

    for (int i = 0; i < kTrendWidthCount; ++i) {
        const QString caption = QString::fromUtf8(kTrendWidths[i].caption);
        AddAction(
            QLatin1String(kTrendWidths[i].action), caption, caption,
            [this, i] { ApplyWidth(i + 1); }, true);
    }

    AddAction(QStringLiteral("actUndoZoom"), QStringLiteral("Увеличение отменить \"Пробел\""),
              QStringLiteral("Увеличение отменить \"Пробел\""), [this] { UndoZoom(); });
    AddAction(QStringLiteral("actZoomMinus"), QStringLiteral("Уменьшить \"-\""),
              QStringLiteral("Уменьшить график. Кнопка \"Серый минус\""), [this] { Zoom(90); });
    AddAction(QStringLiteral("actZoomPlus"), QStringLiteral("Увеличить \"+\""),
              QStringLiteral("Увеличить график. Кнопка \"Серый плюс\""), [this] { Zoom(110); });
    AddAction(QStringLiteral("actShowAllX"), QStringLiteral("Показать все по X"),
              QStringLiteral("Показать все по X"), [this] {
                  ShowAllX();
                  UncheckWidths();
                  AxisChanged(true);
              });
    AddAction(QStringLiteral("actShowAllY"), QStringLiteral("Показать все по Y"),
              QStringLiteral("Показать все по Y"), [this] {
                  {
                      TCodeChange code(g_codeDepth);
                      ShowAllY();
                  }
                  AxisChanged(true);
              });
    AddAction(QStringLiteral("actShowAllXY"), QStringLiteral("Показать все"),
              QStringLiteral("Показать все данные"), [this] { ShowAllXY(); });
    const auto showPoints = [this](bool shown) {
        m_points = shown;
        ApplyPoints();
        RequestReplot();
    };
    AddAction(
        QStringLiteral("actPointsTrue"), QStringLiteral("Точки показать"),
        QStringLiteral("Точки показать"), [showPoints] { showPoints(true); }, true);
    AddAction(
        QStringLiteral("actPointsFalse"), QStringLiteral("Точки скрыть"),
        QStringLiteral("Точки скрыть"), [showPoints] { showPoints(false); }, true);
    AddAction(
        QStringLiteral("actScanEndOn"), QStringLiteral("Следить за значением"),
        QStringLiteral("Следить за значением"),
        [this] {
            if (m_mode != mLive) {
                SetFollowActions();
                return;
            }
            m_follow = true;
            SetFollowActions();
            FollowOn();
        },
        true);
    AddAction(
        QStringLiteral("actScanEndOff"), QStringLiteral("Не следить за значением"),
        QStringLiteral("Не следить за значением"),
        [this] {
            m_follow = false;
            SetFollowActions();
        },
        true);
    QAction *marks = AddAction(
        QStringLiteral("actMarks"), QStringLiteral("Метки"), QStringLiteral("Метки"),
        [this] {
            UpdateMarks();
            RequestReplot();
        },
        true);
    marks->setVisible(false);
    AddAction(QStringLiteral("actReportPreview"), QStringLiteral("Просмотр/Печать"),
              QStringLiteral("Открыть окно предварительного просмотра графика перед печатью"),
              [this] { ReportPreview(); });
    AddAction(QStringLiteral("actExportCsv"), QStringLiteral("Экспорт CSV"),
              QStringLiteral("Сохранить точки видимого интервала в файл CSV"),
              [this] { ExportCsv(); });
    AddAction(QStringLiteral("actClose"), QStringLiteral("Закрыть окно"),
              QStringLiteral("Закрыть окно"), [this] { close(); });
}

void TFormTrendBase::CreatePanels(const QList<QPair<QString, int>> &panels)
{
    QStatusBar *bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    bar->setSizeGripEnabled(true);
    for (int i = 0; i < panels.size(); ++i) {
        auto *label = new QLabel(panels[i].first);
        label->setObjectName(QStringLiteral("Panel%1").arg(i));
        // The panels share the width in the proportion of their design widths;
        // a narrow window clips their texts instead of overlapping them.
        label->setMinimumWidth(std::min(panels[i].second, 40));
        bar->addWidget(label, std::max(1, panels[i].second / 50));
        m_panels << label;
    }
}

void TFormTrendBase::AddActions(QWidget *to, const QStringList &names)
{
    for (const QString &name : names) {
        if (name == QLatin1String("|")) {
            auto *separator = new QAction(to);
            separator->setSeparator(true);
            to->addAction(separator);
        } else if (QAction *a = Action(name)) {
            to->addAction(a);
        }
    }
}

QStringList TFormTrendBase::WidthActionNames()
{
    QStringList names;
    for (const TTrendWidth &w : kTrendWidths)
        names << QLatin1String(w.action);
    return names;
}

bool TFormTrendBase::ExecuteAction(const QString &name)
{
    QAction *action = Action(name);
    if (!action || !action->isEnabled())
        return false;
    action->trigger();
    return true;
}

// ---- loading ----

QVector<QCPGraphData> TFormTrendBase::ToChartData(const std::vector<TArchiveRow> &rows)
{
    QVector<QCPGraphData> data;
    data.resize(qsizetype(rows.size()));
    for (std::size_t i = 0; i < rows.size(); ++i)
        data[qsizetype(i)] = QCPGraphData(ChartKey(rows[i].DT), rows[i].V);
    return data;
}

void TFormTrendBase::LoadDays(
    const QStringList &names, const QStringList &progressTexts,
    const std::function<void(int item, const QVector<QCPGraphData> &)> &onDay,
    const std::function<void(int item)> &onItemDone)
{
    m_loading = true;
    TArchiveRangeReader reader(m_context.query);
    reader.Start(names, m_range.Start(), m_range.Stop());
    int done = 0; // items whose days are all in
    auto finishUpTo = [&](int item) {
        for (; done < item; ++done) {
            if (m_context.input)
                m_context.input->CloseProgress();
            if (onItemDone)
                onItemDone(done);
        }
    };
    TArchiveRangeReader::TDay day;
    for (;;) {
        if (reader.WaitTake(day, 10)) {
            finishUpTo(day.item);
            onDay(day.item, ToChartData(day.rows));
            if (m_context.input)
                m_context.input->ShowProgress(progressTexts.value(day.item), day.index,
                                              day.count - 1);
            continue;
        }
        if (reader.Done())
            break;
        // Paint and timers go on; the operator's input waits for the data.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 5);
    }
    finishUpTo(int(names.size()));
    m_loading = false;
    if (m_closePending) {
        m_closePending = false;
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    }
}

// ---- axes, widths, scroll bar ----

bool TFormTrendBase::DataExtent(double &minKey, double &maxKey) const
{
    bool found = false;
    for (QCPGraph *graph : DataGraphs()) {
        const auto data = graph->data();
        if (data->isEmpty())
            continue;
        // The points are kept sorted by time: the ends are the extent.
        const double first = data->constBegin()->key;
        const double last = (data->constEnd() - 1)->key;
        if (!found) {
            minKey = first;
            maxKey = last;
            found = true;
        } else {
            minKey = std::min(minKey, first);
            maxKey = std::max(maxKey, last);
        }
    }
    return found;
}

void TFormTrendBase::SetYAxis(double lower, double upper)
{
    TCodeChange code(g_codeDepth);
    m_chart->yAxis->setRange(lower, upper);
}

void TFormTrendBase::UncheckWidths()
{
    for (const TTrendWidth &w : kTrendWidths)
        if (QAction *a = Action(QLatin1String(w.action)))
            a->setChecked(false);
}

void TFormTrendBase::ApplyWidth(int index)
{
    if (index < 1 || index > kTrendWidthCount)
        index = kOneDayIndex;
    m_stepIndex = index;
    m_lastWidth = kTrendWidths[index - 1].days;
    {
        TCodeChange code(g_codeDepth);
        const double upper = m_chart->xAxis->range().upper;
        m_chart->xAxis->setRange(upper - m_lastWidth * SecondsPerDay, upper);
    }
    UncheckWidths();
    if (QAction *a = Action(QLatin1String(kTrendWidths[index - 1].action)))
        a->setChecked(true);
    AxisChanged(false);
}

void TFormTrendBase::UpdateScrollBar()
{
    double minKey = 0, maxKey = 0;
    m_scrollUpdating = true;
    if (!DataExtent(minKey, maxKey) || maxKey <= minKey) {
        m_scroll->setEnabled(false);
    } else {
        m_scroll->setEnabled(true);
        const double upper = m_chart->xAxis->range().upper;
        const long position = 100 - std::lround((maxKey - upper) * 100.0 / (maxKey - minKey));
        m_scroll->setValue(int(std::clamp(position, 0L, 100L)));
    }
    m_scrollUpdating = false;
}

void TFormTrendBase::ScrollTo(int position)
{
    position = std::clamp(position, 0, 100);
    m_scrollUpdating = true;
    m_scroll->setValue(position);
    m_scrollUpdating = false;
    OnScrollBarMoved(position);
}

void TFormTrendBase::OnScrollBarMoved(int position)
{
    double minKey = 0, maxKey = 0;
    if (!DataExtent(minKey, maxKey))
        return;
    const double a = maxKey - (maxKey - minKey) * (100 - position) / 100.0;
    const double width = m_chart->xAxis->range().size();
    {
        TCodeChange code(g_codeDepth);
        m_chart->xAxis->setRange(a - width, a);
    }
    UpdatePanels();
    RequestReplot();
}

void TFormTrendBase::ShowAllX()
{
    double minKey = 0, maxKey = 0;
    if (!DataExtent(minKey, maxKey)) {
        // Nothing yet: the range's last day, where live points will appear.
        maxKey = ChartKey(m_range.Stop());
        minKey = maxKey - SecondsPerDay;
    }
    if (maxKey <= minKey)
        maxKey = minKey + 1;
    TCodeChange code(g_codeDepth);
    m_chart->xAxis->setRange(minKey, maxKey);
}

void TFormTrendBase::ShowAllXY()
{
    ShowAllX();
    bool any = false;
    QCPRange all;
    for (QCPGraph *graph : DataGraphs()) {
        bool found = false;
        const QCPRange r = graph->getValueRange(found);
        if (!found)
            continue;
        all = any ? QCPRange(std::min(all.lower, r.lower), std::max(all.upper, r.upper)) : r;
        any = true;
    }
    if (any) {
        TCodeChange code(g_codeDepth);
        if (all.size() <= 0)
            all = QCPRange(all.lower - 1, all.upper + 1);
        m_chart->yAxis->setRange(all);
    }
    AxisChanged(true);
}

void TFormTrendBase::Zoom(double percent)
{
    {
        TCodeChange code(g_codeDepth);
        const double factor = 100.0 / percent;
        m_chart->xAxis->scaleRange(factor, m_chart->xAxis->range().center());
        m_chart->yAxis->scaleRange(factor, m_chart->yAxis->range().center());
    }
    AxisChanged(true);
}

void TFormTrendBase::UndoZoom()
{
    ShowAllX();
    {
        TCodeChange code(g_codeDepth);
        UndoZoomY();
    }
    AxisChanged(true);
}

void TFormTrendBase::AxisChanged(bool uncheckWidths)
{
    if (uncheckWidths)
        UncheckWidths();
    UpdateScrollBar();
    UpdatePanels();
    RequestReplot();
}

void TFormTrendBase::UpdateRangePanel()
{
    if (QLabel *panel = Panel(0)) {
        QString text = QStringLiteral("Диапазон c ") + ShortDateLongTime(m_range.Start());
        if (m_mode == mRange)
            text += QStringLiteral(" по ") + ShortDateLongTime(m_range.Stop());
        panel->setText(text);
    }
}

void TFormTrendBase::FillReportFrame(TRepGraph &report) const
{
    QCustomPlot *chart = report.Chart();
    CopyAxis(*m_chart->yAxis, *chart->yAxis);
    int digits = 1;
    if (auto ticker = m_chart->yAxis->ticker().dynamicCast<TValueTicker>())
        digits = ticker->Digits();
    chart->yAxis->setTicker(QSharedPointer<TValueTicker>::create(digits));

    CopyAxis(*m_chart->xAxis, *chart->xAxis);
    // The keys are local wall time drawn as UTC: the report's ticker must not
    // shift them by the time-zone offset.
    auto ticker = QSharedPointer<QCPAxisTickerDateTime>::create();
    ticker->setDateTimeSpec(Qt::UTC);
    ticker->setDateTimeFormat(QStringLiteral("dd.MM.yy hh:mm:ss"));
    ticker->setTickCount(m_chart->xAxis->ticker()->tickCount());
    chart->xAxis->setTicker(ticker);

    report.Title.SetText(windowTitle());
    const QCPRange r = m_chart->xAxis->range();
    report.FilterDescribe.SetText(QStringLiteral("с ") + ShortDateLongTime(ChartDateTime(r.lower)) +
                                  QStringLiteral(" по ") +
                                  ShortDateLongTime(ChartDateTime(r.upper)));
}

QVector<QCPGraphData> TFormTrendBase::VisiblePoints(const QCPGraph &graph) const
{
    const QCPRange r = m_chart->xAxis->range();
    const auto data = graph.data();
    QVector<QCPGraphData> points;
    for (auto it = data->findBegin(r.lower, true); it != data->findEnd(r.upper, true); ++it)
        points.push_back(*it);
    return points;
}

QString TFormTrendBase::MarkText(double value) const
{
    return FloatToStr(value);
}

void TFormTrendBase::UpdateMarks()
{
    for (QCPItemText *mark : m_marks)
        m_chart->removeItem(mark);
    m_marks.clear();
    QAction *action = Action(QStringLiteral("actMarks"));
    const QList<QCPGraph *> graphs = DataGraphs();
    if (!action || !action->isChecked() || graphs.isEmpty())
        return;
    // At most about forty marks, so a month of points stays readable and fast.
    constexpr int kMaxMarks = 40;
    const QCPRange r = m_chart->xAxis->range();
    const auto data = graphs.first()->data();
    const auto begin = data->findBegin(r.lower, false);
    const int count = int(data->findEnd(r.upper, false) - begin);
    const int step = std::max(1, count / kMaxMarks);
    for (int i = 0; i < count; i += step) {
        const QCPGraphData &p = *(begin + i);
        auto *mark = new QCPItemText(m_chart);
        mark->setClipToAxisRect(true);
        mark->position->setCoords(p.key, p.value);
        mark->setPositionAlignment(Qt::AlignHCenter | Qt::AlignBottom);
        mark->setText(MarkText(p.value));
        mark->setPen(QPen(Qt::gray));
        mark->setBrush(QBrush(QColor(255, 255, 225)));
        m_marks << mark;
    }
}

void TFormTrendBase::UpdatePanels()
{
    if (!m_marks.isEmpty() ||
        (Action(QStringLiteral("actMarks")) && Action(QStringLiteral("actMarks"))->isChecked()))
        UpdateMarks();
    if (QLabel *panel = Panel(1)) {
        const QCPRange r = m_chart->xAxis->range();
        panel->setText(QStringLiteral("c ") + ShortDateLongTime(ChartDateTime(r.lower)) +
                       QStringLiteral(" по ") + ShortDateLongTime(ChartDateTime(r.upper)));
    }
    UpdateValuePanels();
}

void TFormTrendBase::SetFollowActions()
{
    if (QAction *on = Action(QStringLiteral("actScanEndOn")))
        on->setChecked(m_follow);
    if (QAction *off = Action(QStringLiteral("actScanEndOff")))
        off->setChecked(!m_follow);
}

void TFormTrendBase::SetModeActions()
{
    Action(QStringLiteral("actCurrent"))->setChecked(m_mode == mLive);
    Action(QStringLiteral("actStartStopDT"))->setChecked(m_mode == mRange);
    Action(QStringLiteral("actScanEndOn"))->setEnabled(m_mode == mLive);
}

// ---- modes ----

void TFormTrendBase::GoLive()
{
    m_mode = mLive;
    const TDateTime now = m_range.Now();
    m_range.SetRange(now - 1, now);
    Reload(true);
    ApplyPoints();
    m_follow = false;
    SetFollowActions();
    ShowAllX();
    ApplyWidth(m_stepIndex);
    SetModeActions();
    UpdateRangePanel();
}

void TFormTrendBase::GoRange()
{
    TDateTime start = m_range.Start();
    TDateTime stop = m_range.Stop();
    const bool ok =
        m_context.rangeDialog ? m_context.rangeDialog(start, stop) : RunRangeDialog(start, stop);
    if (ok) {
        m_mode = mRange;
        m_range.SetRange(start, stop);
        Reload(false);
        ApplyPoints();
        m_follow = false;
        SetFollowActions();
        ShowAllX();
        ApplyWidth(m_stepIndex);
    }
    SetModeActions();
    UpdateRangePanel();
}

// ---- replots ----

void TFormTrendBase::ReplotNow()
{
    m_replotTimer.stop();
    m_chart->replot();
    m_sinceReplot.restart();
    ++m_replots;
}

void TFormTrendBase::RequestReplot()
{
    if (m_replotTimer.isActive())
        return;
    const qint64 since = m_sinceReplot.isValid() ? m_sinceReplot.elapsed() : kReplotIntervalMs;
    m_replotTimer.start(int(std::max<qint64>(0, kReplotIntervalMs - since)));
}

// ---- CSV ----

void TFormTrendBase::ExportCsv()
{
    QString path = Dialogs().SaveFileName(QStringLiteral("Экспорт CSV"), m_context.programDir,
                                          QStringLiteral("Файлы CSV (*.csv)"));
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".csv");
    if (!WriteTrendCsv(path, VisibleSeries()))
        Dialogs().Message(QStringLiteral("Не удалось записать файл ") + path, TDialogIcon::Warning);
}

// ---- keys ----

void TFormTrendBase::ShiftX(double fraction)
{
    {
        TCodeChange code(g_codeDepth);
        m_chart->xAxis->moveRange(m_chart->xAxis->range().size() * fraction);
    }
    m_chart->setFocus();
    AxisChanged(false);
}

void TFormTrendBase::ShiftY(double fraction)
{
    {
        TCodeChange code(g_codeDepth);
        m_chart->yAxis->moveRange(m_chart->yAxis->range().size() * fraction);
    }
    m_chart->setFocus();
    AxisChanged(false);
}

bool TFormTrendBase::HandleKey(int key, Qt::KeyboardModifiers)
{
    if (m_loading)
        return false;
    switch (key) {
    case Qt::Key_Space:
        UndoZoom();
        return true;
    case Qt::Key_PageUp:
        ShiftY(0.10);
        return true;
    case Qt::Key_PageDown:
        ShiftY(-0.10);
        return true;
    case Qt::Key_End:
        ScrollTo(100);
        m_chart->setFocus();
        return true;
    case Qt::Key_Home:
        ScrollTo(0);
        m_chart->setFocus();
        return true;
    case Qt::Key_Left:
        ShiftX(-0.01);
        return true;
    case Qt::Key_Right:
        ShiftX(0.01);
        return true;
    case Qt::Key_Up:
        ShiftY(0.01);
        return true;
    case Qt::Key_Down:
        ShiftY(-0.01);
        return true;
    case Qt::Key_Plus:
        Zoom(110);
        return true;
    case Qt::Key_Minus:
        Zoom(90);
        return true;
    case Qt::Key_Escape:
        close();
        return true;
    default:
        return false;
    }
}

void TFormTrendBase::keyPressEvent(QKeyEvent *event)
{
    if (HandleKey(event->key(), event->modifiers()))
        event->accept();
    else
        QMainWindow::keyPressEvent(event);
}

bool TFormTrendBase::eventFilter(QObject *watched, QEvent *event)
{
    // The keys reach the window before the chart.
    if (watched == m_chart && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (HandleKey(key->key(), key->modifiers()))
            return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TFormTrendBase::closeEvent(QCloseEvent *event)
{
    if (m_loading) {
        // Closed when the days are in.
        m_closePending = true;
        event->ignore();
        return;
    }
    m_replotTimer.stop();
    DetachHolders();
    SaveSettings();
    SaveWindowPlacement(*this);
    event->accept();
}

} // namespace tals
