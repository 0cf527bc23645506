#include "ui/windows/form_trend_base.h"

#include "platform/date_time.h"
#include "platform/dialogs.h"
#include "platform/format_settings.h"
#include "platform/number_format.h"
#include "ui/application/window_position.h"
#include "ui/reports/rep_graph.h"
#include "ui/windows/envelope_band.h"
#include "ui/windows/form_range_dt.h"
#include "ui/windows/trend_chart.h"
#include "ui/windows/trend_export.h"
#include "ui/windows/trend_icons.h"
#include "ui/windows/trend_loader.h"
#include "ui/windows/trend_navigation.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

namespace tals {

namespace {

constexpr int kReplotIntervalMs = 16;
const QString kEnvelopeLayer = QStringLiteral("envelope");

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

// The chart key of a shown point: a reading's own time, a bucket's middle.
double PointKey(const TEnvelopePoint &p)
{
    return ChartKey(p.Count <= 1 ? p.First : (p.First + p.Last) / 2);
}

// "1 д 02:03:04" or "02:03:04".
QString SpanText(double seconds)
{
    const qint64 s = std::llround(std::abs(seconds));
    const QString time = QStringLiteral("%1:%2:%3")
                             .arg(s / 3600 % 24, 2, 10, QLatin1Char('0'))
                             .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
                             .arg(s % 60, 2, 10, QLatin1Char('0'));
    return s >= 86400 ? QStringLiteral("%1 д ").arg(s / 86400) + time : time;
}

} // namespace

struct TFormTrendBase::TSeries
{
    QString archiveName;
    QString title;
    QString csvTitle;
    QCPGraph *line = nullptr;
    QCPGraph *low = nullptr;
    QCPGraph *high = nullptr;
    bool visible = true;
    std::vector<TEnvelopePoint> overview;
    bool overviewRaw = true;
    std::vector<TEnvelopePoint> detail;
    bool hasDetail = false;
    bool detailRaw = true;
    TDateTime detailFrom = 0;
    TDateTime detailTo = 0;
    double detailStep = 0;
    std::vector<TEnvelopePoint> live;
    std::vector<std::pair<double, double>> pending; // live points that came while loading
    std::vector<TEnvelopePoint> shown;              // ascending keys
};

TFormTrendBase::TFormTrendBase(TTrendContext context, QWidget *parent)
    : QMainWindow(parent), m_context(std::move(context)), m_range(m_context.clock)
{
    setAttribute(Qt::WA_DeleteOnClose);
    resize(1100, 560);

    m_chart = new QCustomPlot;
    m_chart->setObjectName(QStringLiteral("Chart"));
    m_chart->setFocusPolicy(Qt::StrongFocus);
    m_chart->installEventFilter(this);
    SetupTrendChart(*m_chart, QStringLiteral("dd.MM.yy\nHH:mm:ss"));
    m_chart->addLayer(kEnvelopeLayer, m_chart->layer(QStringLiteral("main")),
                      QCustomPlot::limBelow);
    m_navigation = new TTrendNavigation(m_chart);

    m_scroll = new QScrollBar(Qt::Horizontal);
    m_scroll->setObjectName(QStringLiteral("ScrollBar"));
    m_scroll->setRange(0, 100);
    m_scroll->setPageStep(10);
    m_scroll->setEnabled(false);
    connect(m_scroll, &QScrollBar::valueChanged, this, [this](int position) {
        if (m_scrollUpdating)
            return;
        if (!m_scroll->isSliderDown())
            m_navigation->Push();
        OnScrollBarMoved(position);
    });
    connect(m_scroll, &QScrollBar::sliderPressed, this, [this] { m_navigation->Push(); });

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
        ScheduleFetch();
    };
    connect(m_chart->xAxis, qOverload<const QCPRange &>(&QCPAxis::rangeChanged), this, userChange);
    connect(m_chart->yAxis, qOverload<const QCPRange &>(&QCPAxis::rangeChanged), this, userChange);
    connect(m_chart, &QCustomPlot::mouseMove, this,
            [this](QMouseEvent *event) { HoverAt(event->pos()); });
    connect(m_navigation, &TTrendNavigation::clicked, this, &TFormTrendBase::ClickAt);

    m_tracer = new QCPItemTracer(m_chart);
    m_tracer->setStyle(QCPItemTracer::tsCircle);
    m_tracer->setSize(9);
    m_tracer->setPen(QPen(QColor(200, 40, 40), 1.5));
    m_tracer->setVisible(false);
    m_cursorText = new QCPItemText(m_chart);
    m_cursorText->setObjectName(QStringLiteral("CursorText"));
    m_cursorText->position->setType(QCPItemPosition::ptAxisRectRatio);
    m_cursorText->position->setCoords(0.005, 0.01);
    m_cursorText->setPositionAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_cursorText->setTextAlignment(Qt::AlignLeft);
    m_cursorText->setPadding(QMargins(4, 2, 4, 2));
    m_cursorText->setBrush(QColor(255, 255, 235, 230));
    m_cursorText->setPen(QPen(Qt::gray));
    m_cursorText->setVisible(false);

    m_loader = std::make_unique<TTrendLoader>(m_context.archive);
    m_loader->afterDay = m_context.afterDay;
    connect(m_loader.get(), &TTrendLoader::progress, this, [this](quint64 id, int done, int all) {
        if (id != m_overviewId || !m_loading)
            return;
        m_progress->setRange(0, std::max(1, all));
        m_progress->setValue(done);
        emit loadProgress(done, all);
    });
    connect(m_loader.get(), &TTrendLoader::finished, this, &TFormTrendBase::OnLoaded);
    m_export = std::make_unique<TTrendExport>(
        m_chart, [this] { return VisibleSeries(); }, m_context.programDir);

    m_replotTimer.setSingleShot(true);
    connect(&m_replotTimer, &QTimer::timeout, this, &TFormTrendBase::ReplotNow);
    m_fetchTimer.setSingleShot(true);
    connect(&m_fetchTimer, &QTimer::timeout, this, &TFormTrendBase::Fetch);
}

TFormTrendBase::~TFormTrendBase() = default;

// ---- actions ----

QAction *TFormTrendBase::AddAction(const QString &name, const QString &caption, const QString &hint,
                                   std::function<void()> handler, bool checkable)
{
    auto *action = new QAction(caption, this);
    action->setObjectName(name);
    action->setToolTip(hint);
    action->setStatusTip(hint);
    action->setCheckable(checkable);
    action->setIcon(TrendIcon(name));
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
            [this, i] {
                m_navigation->Push();
                ApplyWidth(i + 1);
            },
            true);
    }

    AddAction(QStringLiteral("actUndoZoom"), QStringLiteral("Увеличение отменить \"Пробел\""),
              QStringLiteral("Увеличение отменить \"Пробел\""), [this] { UndoZoom(); });
    AddAction(QStringLiteral("actZoomForward"), QStringLiteral("Увеличение вернуть"),
              QStringLiteral("Вернуть отменённое изменение масштаба \"Alt+→\""), [this] {
                  if (m_navigation->Forward())
                      AxisChanged(true);
              });
    AddAction(QStringLiteral("actZoomMinus"), QStringLiteral("Уменьшить \"-\""),
              QStringLiteral("Уменьшить график. Кнопка \"Серый минус\""), [this] { Zoom(90); });
    AddAction(QStringLiteral("actZoomPlus"), QStringLiteral("Увеличить \"+\""),
              QStringLiteral("Увеличить график. Кнопка \"Серый плюс\""), [this] { Zoom(110); });
    AddAction(QStringLiteral("actShowAllX"), QStringLiteral("Показать все по X"),
              QStringLiteral("Показать все по X"), [this] {
                  m_navigation->Push();
                  ShowAllX();
                  UncheckWidths();
                  AxisChanged(true);
              });
    AddAction(QStringLiteral("actShowAllY"), QStringLiteral("Показать все по Y"),
              QStringLiteral("Показать все по Y"), [this] {
                  m_navigation->Push();
                  {
                      TCodeChange code(g_codeDepth);
                      ShowAllY();
                  }
                  AxisChanged(true);
              });
    AddAction(QStringLiteral("actShowAllXY"), QStringLiteral("Показать все"),
              QStringLiteral("Показать все данные"), [this] {
                  m_navigation->Push();
                  ShowAllXY();
              });
    AddAction(QStringLiteral("actGoToDate"), QStringLiteral("Перейти к дате..."),
              QStringLiteral("Показать график вокруг заданных даты и времени"),
              [this] { GoToDate(); });
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
              QStringLiteral("Сохранить показанный интервал в файл CSV в формате системы"),
              [this] { m_export->SaveCsv(LocaleCsvFormat()); });
    AddAction(QStringLiteral("actExportCsvRussian"),
              QStringLiteral("Экспорт CSV для русского Excel (;)"),
              QStringLiteral("Разделитель \";\", десятичная запятая, даты дд.мм.гггг"),
              [this] { m_export->SaveCsv(TCsvFormat::Russian); });
    AddAction(QStringLiteral("actExportCsvIso"), QStringLiteral("Экспорт CSV международный (,)"),
              QStringLiteral("Разделитель \",\", десятичная точка, даты ISO 8601"),
              [this] { m_export->SaveCsv(TCsvFormat::Iso); });
    AddAction(QStringLiteral("actExportPng"), QStringLiteral("Сохранить рисунок PNG"),
              QStringLiteral("Сохранить график как рисунок PNG"), [this] { m_export->SavePng(); });
    AddAction(QStringLiteral("actCopy"), QStringLiteral("Копировать"),
              QStringLiteral("Копировать график и его точки в буфер обмена"),
              [this] { m_export->CopyToClipboard(); });
    AddAction(QStringLiteral("actClose"), QStringLiteral("Закрыть окно"),
              QStringLiteral("Закрыть окно"), [this] { close(); });
}

QStringList TFormTrendBase::ExportActionNames()
{
    return {"actExportCsv", "actExportCsvRussian", "actExportCsvIso", "actExportPng", "actCopy"};
}

void TFormTrendBase::CreatePanels(const QList<QPair<QString, int>> &panels)
{
    QStatusBar *bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    bar->setSizeGripEnabled(true);
    // Two rows: the range and the visible interval above, the values below,
    // so that each text is shown whole in a window of 1100 pixels. The panels
    // share a row in the proportion of their design widths and never get
    // narrower than their texts.
    auto *box = new QWidget;
    box->setObjectName(QStringLiteral("StatusPanels"));
    auto *rows = new QVBoxLayout(box);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(0);
    QHBoxLayout *row = nullptr;
    for (int i = 0; i < panels.size(); ++i) {
        if (i == 0 || i == 2) {
            row = new QHBoxLayout;
            row->setSpacing(16);
            rows->addLayout(row);
        }
        auto *label = new QLabel(panels[i].first);
        label->setObjectName(QStringLiteral("Panel%1").arg(i));
        row->addWidget(label, std::max(1, panels[i].second / 50));
        m_panels << label;
    }
    bar->addWidget(box, 1);
    m_loadState = new QLabel;
    m_loadState->setObjectName(QStringLiteral("lblLoadState"));
    m_loadState->setVisible(false);
    bar->addPermanentWidget(m_loadState);
    m_progress = new QProgressBar;
    m_progress->setObjectName(QStringLiteral("pbLoad"));
    m_progress->setFixedWidth(160);
    m_progress->setFormat(QStringLiteral("Загрузка %p%"));
    m_progress->setVisible(false);
    bar->addPermanentWidget(m_progress);
    m_cancel = new QPushButton(QStringLiteral("Отмена"));
    m_cancel->setObjectName(QStringLiteral("btnCancelLoad"));
    m_cancel->setToolTip(QStringLiteral("Прервать загрузку архива; загруженное останется"));
    m_cancel->setVisible(false);
    connect(m_cancel, &QPushButton::clicked, this, &TFormTrendBase::CancelLoad);
    bar->addPermanentWidget(m_cancel);
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

void TFormTrendBase::CreateToolBar(const QStringList &names)
{
    m_toolBar = addToolBar(QStringLiteral("Инструменты"));
    m_toolBar->setObjectName(QStringLiteral("ToolBar1"));
    m_toolBar->setMovable(false);
    m_toolBar->setIconSize(QSize(22, 22));
    m_toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    for (const QString &name : names) {
        if (name != QLatin1String("widths")) {
            AddActions(m_toolBar, {name});
            continue;
        }
        // The twelve widths behind one button that names the chosen one.
        auto *menu = new QMenu(this);
        AddActions(menu, WidthActionNames());
        m_widthButton = new QToolButton;
        m_widthButton->setObjectName(QStringLiteral("tbtnWidth"));
        m_widthButton->setMenu(menu);
        m_widthButton->setPopupMode(QToolButton::InstantPopup);
        m_widthButton->setToolButtonStyle(Qt::ToolButtonTextOnly);
        m_widthButton->setToolTip(QStringLiteral("Видимый интервал времени"));
        m_widthButton->setMinimumWidth(90);
        m_toolBar->addWidget(m_widthButton);
        UpdateWidthButton();
    }
}

void TFormTrendBase::UpdateWidthButton()
{
    if (!m_widthButton)
        return;
    QString text = QStringLiteral("Интервал");
    for (const TTrendWidth &w : kTrendWidths)
        if (QAction *a = Action(QLatin1String(w.action)); a && a->isChecked())
            text = a->text();
    m_widthButton->setText(text);
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

// ---- series ----

int TFormTrendBase::AddSeries(const QString &archiveName, const QColor &color, const QString &name,
                              const QString &csvTitle)
{
    auto s = std::make_unique<TSeries>();
    s->archiveName = archiveName;
    s->title = name;
    s->csvTitle = csvTitle;
    // The envelope lies behind every line.
    s->low = m_chart->addGraph();
    s->high = new TEnvelopeBand(m_chart->xAxis, m_chart->yAxis);
    for (QCPGraph *g : {s->low, s->high}) {
        g->setLayer(kEnvelopeLayer);
        g->setPen(Qt::NoPen);
        g->removeFromLegend();
        g->setSelectable(QCP::stNone);
    }
    QColor fill = color;
    fill.setAlpha(55);
    s->high->setBrush(fill);
    s->high->setChannelFillGraph(s->low);
    s->line = m_chart->addGraph();
    s->line->setPen(QPen(color, 1));
    s->line->setName(name);
    s->line->setAdaptiveSampling(true);
    m_series.push_back(std::move(s));
    return int(m_series.size()) - 1;
}

void TFormTrendBase::SetSeriesNames(int series, const QString &archiveName, const QString &name,
                                    const QString &csvTitle)
{
    if (series < 0 || series >= SeriesCount())
        return;
    TSeries &s = *m_series[std::size_t(series)];
    s.archiveName = archiveName;
    s.title = name;
    s.csvTitle = csvTitle;
    s.line->setName(name);
}

void TFormTrendBase::ClearSeries()
{
    m_chart->clearGraphs();
    m_series.clear();
}

QCPGraph *TFormTrendBase::Line(int series) const
{
    return series >= 0 && series < SeriesCount() ? m_series[std::size_t(series)]->line : nullptr;
}

const QString &TFormTrendBase::SeriesTitle(int series) const
{
    return m_series.at(std::size_t(series))->title;
}

QList<QCPGraph *> TFormTrendBase::DataGraphs() const
{
    QList<QCPGraph *> graphs;
    for (const auto &s : m_series)
        graphs << s->line;
    return graphs;
}

void TFormTrendBase::SetSeriesVisible(int series, bool visible)
{
    if (series < 0 || series >= SeriesCount())
        return;
    TSeries &s = *m_series[std::size_t(series)];
    s.visible = visible;
    for (QCPGraph *g : {s.line, s.low, s.high})
        g->setVisible(visible);
}

bool TFormTrendBase::SeriesVisible(int series) const
{
    return series >= 0 && series < SeriesCount() && m_series[std::size_t(series)]->visible;
}

bool TFormTrendBase::SeriesEmpty(int series) const
{
    return series < 0 || series >= SeriesCount() || m_series[std::size_t(series)]->shown.empty();
}

void TFormTrendBase::Rebuild(int series)
{
    TSeries &s = *m_series[std::size_t(series)];
    s.shown.clear();
    const double detailFrom = ChartKey(s.detailFrom);
    const double detailTo = ChartKey(s.detailTo);
    auto outside = [&](const TEnvelopePoint &p) {
        if (!s.hasDetail)
            return true;
        const double key = PointKey(p);
        return key < detailFrom || key > detailTo;
    };
    std::size_t i = 0;
    for (; i < s.overview.size() && outside(s.overview[i]) && PointKey(s.overview[i]) < detailFrom;
         ++i)
        s.shown.push_back(s.overview[i]);
    if (s.hasDetail)
        s.shown.insert(s.shown.end(), s.detail.begin(), s.detail.end());
    for (; i < s.overview.size(); ++i)
        if (outside(s.overview[i]))
            s.shown.push_back(s.overview[i]);
    s.shown.insert(s.shown.end(), s.live.begin(), s.live.end());
    auto byKey = [](const TEnvelopePoint &a, const TEnvelopePoint &b) {
        return PointKey(a) < PointKey(b);
    };
    if (!std::is_sorted(s.shown.begin(), s.shown.end(), byKey))
        std::stable_sort(s.shown.begin(), s.shown.end(), byKey);

    QVector<QCPGraphData> mean(qsizetype(s.shown.size()));
    QVector<QCPGraphData> low(mean.size());
    QVector<QCPGraphData> high(mean.size());
    for (std::size_t k = 0; k < s.shown.size(); ++k) {
        const TEnvelopePoint &p = s.shown[k];
        const double key = PointKey(p);
        mean[qsizetype(k)] = QCPGraphData(key, p.Mean);
        low[qsizetype(k)] = QCPGraphData(key, p.Min);
        high[qsizetype(k)] = QCPGraphData(key, p.Max);
    }
    s.line->data()->set(mean, true);
    s.low->data()->set(low, true);
    s.high->data()->set(high, true);
    SeriesDataChanged(series);
}

void TFormTrendBase::AddLivePoint(int series, double key, double value)
{
    if (series < 0 || series >= SeriesCount())
        return;
    TSeries &s = *m_series[std::size_t(series)];
    if (m_loading) {
        s.pending.emplace_back(key, value);
        return;
    }
    const TDateTime dt = ChartDateTime(key);
    const TEnvelopePoint p{dt, dt, dt, value, value, value, 1};
    s.live.push_back(p);
    if (s.shown.empty() || PointKey(s.shown.back()) <= key)
        s.shown.push_back(p);
    else
        s.shown.insert(
            std::upper_bound(s.shown.begin(), s.shown.end(), key,
                             [](double k, const TEnvelopePoint &q) { return k < PointKey(q); }),
            p);
    s.line->addData(key, value);
    s.low->addData(key, value);
    s.high->addData(key, value);
}

bool TFormTrendBase::ValueRange(int series, const QCPRange &keys, QCPRange &range) const
{
    if (series < 0 || series >= SeriesCount())
        return false;
    bool found = false;
    for (const TEnvelopePoint &p : m_series[std::size_t(series)]->shown) {
        const double key = PointKey(p);
        if (key < keys.lower || key > keys.upper)
            continue;
        range = found ? QCPRange(std::min(range.lower, p.Min), std::max(range.upper, p.Max))
                      : QCPRange(p.Min, p.Max);
        found = true;
    }
    return found;
}

bool TFormTrendBase::Nearest(int series, double key, TSnap &snap) const
{
    if (series < 0 || series >= SeriesCount())
        return false;
    const std::vector<TEnvelopePoint> &shown = m_series[std::size_t(series)]->shown;
    if (shown.empty())
        return false;
    auto it = std::lower_bound(shown.begin(), shown.end(), key,
                               [](const TEnvelopePoint &p, double k) { return PointKey(p) < k; });
    if (it == shown.end() ||
        (it != shown.begin() && key - PointKey(*(it - 1)) < PointKey(*it) - key))
        --it;
    snap.series = series;
    snap.time = ChartDateTime(PointKey(*it));
    snap.value = it->Mean;
    return true;
}

bool TFormTrendBase::ShowsRaw(int series) const
{
    if (series < 0 || series >= SeriesCount())
        return false;
    const TSeries &s = *m_series[std::size_t(series)];
    const QCPRange r = m_chart->xAxis->range();
    for (const TEnvelopePoint &p : s.shown) {
        const double key = PointKey(p);
        if (key >= r.lower && key <= r.upper && p.Count > 1)
            return false;
    }
    return true;
}

// ---- loading ----

int TFormTrendBase::Columns() const
{
    return std::max(800, m_chart->axisRect()->width());
}

void TFormTrendBase::SetLoadingUi(bool loading)
{
    if (m_progress) {
        m_progress->setValue(0);
        m_progress->setVisible(loading);
        m_cancel->setVisible(loading);
    }
    m_navigation->SetEnabled(!loading);
    m_chart->setInteraction(QCP::iRangeZoom, !loading);
    m_chart->setSelectionRectMode(loading ? QCP::srmNone : QCP::srmZoom);
}

void TFormTrendBase::LoadRange()
{
    m_fetchTimer.stop();
    for (std::size_t i = 0; i < m_series.size(); ++i) {
        TSeries &s = *m_series[i];
        s.overview.clear();
        s.detail.clear();
        s.hasDetail = false;
        s.live.clear();
        s.pending.clear();
        Rebuild(int(i));
    }
    m_loadStop = m_range.Stop();
    m_overview.reset();
    const int columns = Columns();
    m_overviewStep = (m_range.Stop() - m_range.Start()) / columns;
    if (m_loadState) {
        m_loadState->clear();
        m_loadState->setVisible(false);
    }
    if (!m_context.archive || m_series.empty()) {
        Loaded(false);
        return;
    }

    TTrendRequest request;
    for (const auto &s : m_series)
        request.names << s->archiveName;
    request.from = m_range.Start();
    request.to = m_range.Stop();
    request.columns = columns;
    request.now = m_range.Now();

    m_loading = true;
    SetLoadingUi(true);
    m_overviewId = m_loader->Start(request);
    // The window stays live: paint, timers, polling and "Отмена" go on.
    QEventLoop loop;
    m_loadLoop = &loop;
    if (!m_overview)
        loop.exec();
    m_loadLoop = nullptr;
    m_loading = false;
    SetLoadingUi(false);

    const bool cancelled = m_overview && m_overview->cancelled;
    for (std::size_t i = 0; i < m_series.size(); ++i) {
        TSeries &s = *m_series[i];
        if (m_overview && i < m_overview->series.size()) {
            s.overview = m_overview->series[i].Points;
            s.overviewRaw = m_overview->series[i].Raw && !cancelled;
        }
        Rebuild(int(i));
    }
    if (cancelled && m_loadState) {
        m_loadState->setText(QStringLiteral("Загрузка прервана: прочитано дней %1 из %2")
                                 .arg(m_overview->daysRead)
                                 .arg(m_overview->days));
        m_loadState->setVisible(true);
    }
    // Live points of the loading time follow the archive's.
    for (std::size_t i = 0; i < m_series.size(); ++i) {
        const auto pending = std::move(m_series[i]->pending);
        m_series[i]->pending.clear();
        for (const auto &[key, value] : pending)
            AddLivePoint(int(i), key, value);
    }
    UpdateScrollBar();
    UpdatePanels();
    Loaded(cancelled);
    if (m_closePending) {
        m_closePending = false;
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    }
}

void TFormTrendBase::CancelLoad()
{
    m_loader->Cancel();
}

bool TFormTrendBase::Fetching() const
{
    return m_fetchTimer.isActive() || m_loader->Busy();
}

bool TFormTrendBase::WaitForView(int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while ((Fetching() || m_loading) && clock.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return !Fetching() && !m_loading;
}

void TFormTrendBase::OnLoaded(const std::shared_ptr<const TTrendResult> &result)
{
    if (result->id == m_overviewId && m_loading) {
        m_overview = result;
        if (m_loadLoop)
            m_loadLoop->quit();
        return;
    }
    if (result->id != m_loader->CurrentId() || m_loading || result->cancelled)
        return;
    const TTrendRequest &r = result->request;
    for (std::size_t i = 0; i < m_series.size() && i < result->series.size(); ++i) {
        TSeries &s = *m_series[i];
        s.detail = result->series[i].Points;
        s.detailRaw = result->series[i].Raw;
        s.hasDetail = true;
        s.detailFrom = r.from;
        s.detailTo = r.to;
        s.detailStep = (r.to - r.from) / std::max(1, r.columns);
        Rebuild(int(i));
    }
    UpdateMarks();
    RequestReplot();
}

void TFormTrendBase::ScheduleFetch()
{
    if (!m_loading && !m_series.empty() && !m_fetchTimer.isActive())
        m_fetchTimer.start(0);
}

void TFormTrendBase::Fetch()
{
    if (m_loading || m_series.empty() || !m_context.archive)
        return;
    const QCPRange view = m_chart->xAxis->range();
    const TDateTime lo = ChartDateTime(view.lower);
    const TDateTime hi = ChartDateTime(view.upper);
    const double span = hi - lo;
    if (span <= 0)
        return;
    const int columns = Columns();
    const double step = span / columns;
    const TDateTime needFrom = std::max(lo, m_range.Start());
    const TDateTime needTo = std::min(hi, m_loadStop);
    if (needTo <= needFrom)
        return; // only live points in view
    constexpr double kSlack = 1e-9;
    auto fits = [&](bool raw, TDateTime from, TDateTime to, double have) {
        return from <= needFrom + kSlack && to >= needTo - kSlack &&
               (raw || (have <= step * 1.6 && have >= step / 2.5));
    };
    bool overviewRaw = true;
    for (const auto &s : m_series)
        overviewRaw = overviewRaw && s->overviewRaw;
    if (fits(overviewRaw, m_range.Start(), m_loadStop, m_overviewStep)) {
        // The whole range's data are fine enough: the finer ones go.
        bool had = false;
        for (std::size_t i = 0; i < m_series.size(); ++i)
            if (m_series[i]->hasDetail) {
                m_series[i]->hasDetail = false;
                m_series[i]->detail.clear();
                Rebuild(int(i));
                had = true;
            }
        if (had)
            RequestReplot();
        return;
    }
    const TSeries &first = *m_series.front();
    if (first.hasDetail &&
        fits(first.detailRaw, first.detailFrom, first.detailTo, first.detailStep))
        return;
    // Half a view on each side, so that a pan needs nothing new at once.
    TTrendRequest request;
    for (const auto &s : m_series)
        request.names << s->archiveName;
    request.from = std::max(lo - span / 2, m_range.Start());
    request.to = std::min(hi + span / 2, m_loadStop);
    request.columns = std::max(1, int(std::lround((request.to - request.from) / step)));
    request.now = m_range.Now();
    m_loader->Start(request);
}

// ---- axes, widths, scroll bar ----

bool TFormTrendBase::DataExtent(double &minKey, double &maxKey) const
{
    bool found = false;
    for (const auto &s : m_series) {
        if (s->shown.empty())
            continue;
        const double first = PointKey(s->shown.front());
        const double last = PointKey(s->shown.back());
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

void TFormTrendBase::FitY()
{
    bool any = false;
    QCPRange all;
    for (int i = 0; i < SeriesCount(); ++i) {
        QCPRange r;
        if (!SeriesVisible(i) || !ValueRange(i, m_chart->xAxis->range(), r))
            continue;
        all = any ? QCPRange(std::min(all.lower, r.lower), std::max(all.upper, r.upper)) : r;
        any = true;
    }
    if (!any)
        return;
    const double margin = all.size() > 0 ? all.size() * 0.05 : 1;
    SetYAxis(all.lower - margin, all.upper + margin);
}

void TFormTrendBase::UncheckWidths()
{
    for (const TTrendWidth &w : kTrendWidths)
        if (QAction *a = Action(QLatin1String(w.action)))
            a->setChecked(false);
    UpdateWidthButton();
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
    UpdateWidthButton();
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
    ScheduleFetch();
    RequestReplot();
}

void TFormTrendBase::CentreOn(TDateTime dt)
{
    const double key = ChartKey(dt);
    const double half = m_chart->xAxis->range().size() / 2;
    {
        TCodeChange code(g_codeDepth);
        m_chart->xAxis->setRange(key - half, key + half);
    }
    AxisChanged(true);
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
    const QCPRange everything(-1e300, 1e300);
    for (int i = 0; i < SeriesCount(); ++i) {
        QCPRange r;
        if (!ValueRange(i, everything, r))
            continue;
        all = any ? QCPRange(std::min(all.lower, r.lower), std::max(all.upper, r.upper)) : r;
        any = true;
    }
    if (any) {
        if (all.size() <= 0)
            all = QCPRange(all.lower - 1, all.upper + 1);
        SetYAxis(all.lower, all.upper);
    }
    AxisChanged(true);
}

void TFormTrendBase::Zoom(double percent)
{
    m_navigation->Push();
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
    // One step back; without history the whole time axis and the Y of the description.
    {
        TCodeChange code(g_codeDepth);
        if (!m_navigation->Back()) {
            ShowAllX();
            UndoZoomY();
        }
    }
    AxisChanged(true);
}

void TFormTrendBase::AxisChanged(bool uncheckWidths)
{
    if (uncheckWidths)
        UncheckWidths();
    UpdateScrollBar();
    UpdatePanels();
    ScheduleFetch();
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

std::vector<TCsvSeries> TFormTrendBase::VisibleSeries() const
{
    std::vector<TCsvSeries> result;
    const QCPRange r = m_chart->xAxis->range();
    for (const auto &s : m_series) {
        if (!s->visible)
            continue;
        TCsvSeries mean{s->csvTitle, {}};
        TCsvSeries low{s->csvTitle + QStringLiteral(" (мин)"), {}};
        TCsvSeries high{s->csvTitle + QStringLiteral(" (макс)"), {}};
        bool buckets = false;
        for (const TEnvelopePoint &p : s->shown) {
            const double key = PointKey(p);
            if (key < r.lower || key > r.upper)
                continue;
            const TDateTime dt = ChartDateTime(key);
            mean.rows.push_back({dt, p.Mean});
            low.rows.push_back({dt, p.Min});
            high.rows.push_back({dt, p.Max});
            buckets = buckets || p.Count > 1;
        }
        result.push_back(std::move(mean));
        // Over a wide range each row is a bucket: its extremes go along.
        if (buckets) {
            result.push_back(std::move(low));
            result.push_back(std::move(high));
        }
    }
    return result;
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

// ---- cursors ----

bool TFormTrendBase::HoverAt(const QPoint &pos)
{
    if (!m_chart->axisRect()->rect().contains(pos)) {
        m_tracer->setVisible(false);
        m_snap = {};
        ShowSnap(m_snap);
        return false;
    }
    const double key = m_chart->xAxis->pixelToCoord(pos.x());
    // The series whose nearest point lies nearest to the mouse on the screen.
    TSnap best;
    double bestDistance = 0;
    for (int i = 0; i < SeriesCount(); ++i) {
        TSnap snap;
        if (!SeriesVisible(i) || !Nearest(i, key, snap))
            continue;
        const double dx = m_chart->xAxis->coordToPixel(ChartKey(snap.time)) - pos.x();
        const double dy = m_chart->yAxis->coordToPixel(snap.value) - pos.y();
        const double distance = dx * dx + dy * dy;
        if (best.series < 0 || distance < bestDistance) {
            best = snap;
            bestDistance = distance;
        }
    }
    m_snap = best;
    if (best.series >= 0) {
        m_tracer->position->setCoords(ChartKey(best.time), best.value);
        m_tracer->setVisible(true);
    } else {
        m_tracer->setVisible(false);
    }
    ShowSnap(m_snap);
    RequestReplot();
    return true;
}

void TFormTrendBase::ClickAt(const QPoint &pos)
{
    if (m_cursors.size() >= 2)
        m_cursors.clear();
    if (HoverAt(pos) && m_snap.series >= 0)
        m_cursors.push_back(m_snap);
    UpdateCursorItems();
    RequestReplot();
}

QString TFormTrendBase::CursorSpanText() const
{
    if (m_cursors.size() < 2)
        return {};
    TSnap a = m_cursors[0];
    TSnap b = m_cursors[1];
    const int series = a.series;
    // The second cursor's value on the first cursor's series.
    if (b.series != series)
        Nearest(series, ChartKey(b.time), b);
    if (b.time < a.time)
        std::swap(a, b);
    double min = 0, max = 0, sum = 0;
    qint64 count = 0;
    for (const TEnvelopePoint &p : m_series[std::size_t(series)]->shown) {
        const double key = PointKey(p);
        if (key < ChartKey(a.time) - 1e-3 || key > ChartKey(b.time) + 1e-3)
            continue;
        min = count == 0 ? p.Min : std::min(min, p.Min);
        max = count == 0 ? p.Max : std::max(max, p.Max);
        sum += p.Mean * double(p.Count);
        count += p.Count;
    }
    QString text = SeriesTitle(series) + QStringLiteral(": Δt ") +
                   SpanText((b.time - a.time) * SecondsPerDay) + QStringLiteral("   Δ ") +
                   ValueText(series, b.value - a.value);
    if (count > 0)
        text += QStringLiteral("\nмин ") + ValueText(series, min) + QStringLiteral("   макс ") +
                ValueText(series, max) + QStringLiteral("   среднее ") +
                ValueText(series, sum / double(count));
    return text;
}

void TFormTrendBase::UpdateCursorItems()
{
    while (m_cursorLines.size() > int(m_cursors.size()))
        m_chart->removeItem(m_cursorLines.takeLast());
    while (m_cursorLines.size() < int(m_cursors.size())) {
        auto *line = new QCPItemStraightLine(m_chart);
        line->setPen(QPen(QColor(200, 40, 40), 1, Qt::DashLine));
        m_cursorLines << line;
    }
    for (int i = 0; i < m_cursorLines.size(); ++i) {
        const double key = ChartKey(m_cursors[std::size_t(i)].time);
        m_cursorLines[i]->point1->setCoords(key, 0);
        m_cursorLines[i]->point2->setCoords(key, 1);
    }
    const QString text = CursorSpanText();
    m_cursorText->setText(text);
    m_cursorText->setVisible(!text.isEmpty());
}

// ---- modes ----

void TFormTrendBase::GoLive()
{
    m_mode = mLive;
    const TDateTime now = m_range.Now();
    m_range.SetRange(now - 1, now);
    BindLive(true);
    LoadRange();
    ApplyPoints();
    m_follow = false;
    SetFollowActions();
    ShowAllX();
    ApplyWidth(m_stepIndex);
    m_navigation->Clear();
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
        // No live point may reach the archived view.
        BindLive(false);
        LoadRange();
        ApplyPoints();
        m_follow = false;
        SetFollowActions();
        ShowAllX();
        ApplyWidth(m_stepIndex);
        FitY();
        m_navigation->Clear();
    }
    SetModeActions();
    UpdateRangePanel();
}

void TFormTrendBase::GoToDate()
{
    const TDateTime centre = ChartDateTime(m_chart->xAxis->range().center());
    QString text = ToQDateTime(centre).toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
    if (!Dialogs().InputText(QStringLiteral("Перейти к дате"),
                             QStringLiteral("Дата и время (дд.мм.гггг чч:мм:сс):"), text))
        return;
    for (const char *format : {"dd.MM.yyyy HH:mm:ss", "dd.MM.yyyy HH:mm", "dd.MM.yyyy",
                               "dd.MM.yy HH:mm:ss", "yyyy-MM-dd HH:mm:ss"}) {
        const QDateTime q = QDateTime::fromString(text.trimmed(), QLatin1String(format));
        if (q.isValid()) {
            m_navigation->Push();
            CentreOn(FromQDateTime(q));
            return;
        }
    }
    Dialogs().Message(QStringLiteral("Неверная дата: ") + text, TDialogIcon::Warning);
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

// ---- keys ----

void TFormTrendBase::ShiftX(double fraction)
{
    m_navigation->Push();
    {
        TCodeChange code(g_codeDepth);
        m_chart->xAxis->moveRange(m_chart->xAxis->range().size() * fraction);
    }
    m_chart->setFocus();
    AxisChanged(false);
}

void TFormTrendBase::ShiftY(double fraction)
{
    m_navigation->Push();
    {
        TCodeChange code(g_codeDepth);
        m_chart->yAxis->moveRange(m_chart->yAxis->range().size() * fraction);
    }
    m_chart->setFocus();
    AxisChanged(false);
}

bool TFormTrendBase::HandleKey(int key, Qt::KeyboardModifiers modifiers)
{
    if (m_loading)
        return key == Qt::Key_Escape ? (CancelLoad(), true) : false;
    if (modifiers & Qt::AltModifier) {
        if (key == Qt::Key_Left)
            return ExecuteAction(QStringLiteral("actUndoZoom"));
        if (key == Qt::Key_Right)
            return ExecuteAction(QStringLiteral("actZoomForward"));
    }
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
        m_navigation->Push();
        ScrollTo(100);
        m_chart->setFocus();
        return true;
    case Qt::Key_Home:
        m_navigation->Push();
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
        // Closed when the load has stopped.
        m_closePending = true;
        CancelLoad();
        event->ignore();
        return;
    }
    m_replotTimer.stop();
    m_fetchTimer.stop();
    DetachHolders();
    SaveSettings();
    SaveWindowPlacement(*this);
    event->accept();
}

} // namespace tals
