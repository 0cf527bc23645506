#include "ui/windows/form_multi_graph.h"

#include "platform/dialogs.h"
#include "platform/ini_file.h"
#include "platform/number_format.h"
#include "platform/paths.h"
#include "ui/application/window_position.h"
#include "ui/reports/reports.h"
#include "ui/windows/trend_chart.h"

#include <QAction>
#include <QLabel>
#include <QMenuBar>
#include <QToolBar>

namespace tals {

namespace {

const QString kSection = QStringLiteral("Parameters");

} // namespace

QColor SeriesQColor(TColor color)
{
    return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}

QString TFormMultiGraph::IniPath(const QString &programDir)
{
    return IniFilePath(programDir, QStringLiteral("fMultiGraph.ini"));
}

TFormMultiGraph::TFormMultiGraph(TTrendContext context, QWidget *parent)
    : TFormTrendBase(std::move(context), parent)
{
    setObjectName(QStringLiteral("FormMultiGraph"));
    setWindowTitle(QStringLiteral("Графики"));
    resize(980, 600);

    // The legend under the chart, in the button-face colour.
    m_chart->legend->setVisible(true);
    m_chart->legend->setBrush(palette().color(QPalette::Button));
    m_chart->legend->setFillOrder(QCPLayoutGrid::foColumnsFirst);
    m_chart->plotLayout()->addElement(1, 0, m_chart->legend);
    m_chart->plotLayout()->setRowStretchFactor(1, 0.001);

    CreateCommonActions();
    AddAction(QStringLiteral("actSeriesVisibleChange"),
              QStringLiteral("Изменить видимость графика"),
              QStringLiteral("Изменить видимость графика"), {})
        ->setVisible(false);
    AddAction(QStringLiteral("actSeriesAllShow"), QStringLiteral("Показать все"),
              QStringLiteral("Показать все графики"), [this] { SetAllVisible(true); });
    AddAction(QStringLiteral("actSeriesAllHide"), QStringLiteral("Скрыть все"),
              QStringLiteral("Скрыть все графики"), [this] { SetAllVisible(false); });
    CreateMenusAndToolBar();
    CreatePanels({{QStringLiteral("Диапазон с 88.88.8888 88:88:88 по: 88.88.8888 88:88:88"), 295},
                  {QStringLiteral("Интервал"), 270},
                  {QStringLiteral("Точка на графике"), 300},
                  {QString(), 50}});
    SetModeActions();
}

TFormMultiGraph::~TFormMultiGraph()
{
    DetachHolders();
}

void TFormMultiGraph::CreateMenusAndToolBar()
{
    auto add = [this](QMenu *menu, const QStringList &names) { AddActions(menu, names); };
    const QStringList widths = WidthActionNames();

    QMenuBar *bar = menuBar();
    add(bar->addMenu(QStringLiteral("Диапазон")), {"actCurrent", "actStartStopDT"});
    add(bar->addMenu(QStringLiteral("Интервал")), widths);
    add(bar->addMenu(QStringLiteral("Масштаб")),
        {"actUndoZoom", "actZoomForward", "actZoomMinus", "actZoomPlus", "actShowAllX",
         "actShowAllY", "actShowAllXY", "|", "actGoToDate"});
    add(bar->addMenu(QStringLiteral("Параметры")),
        QStringList{"actPointsTrue", "actPointsFalse", "|", "actScanEndOn", "actScanEndOff", "|",
                    "actReportPreview", "|"} +
            ExportActionNames());
    m_seriesMenu = bar->addMenu(QStringLiteral("Графики"));
    m_seriesMenu->setObjectName(QStringLiteral("miGraphs"));
    add(m_seriesMenu, {"actSeriesAllShow", "actSeriesAllHide", "|"});
    add(bar->addMenu(QStringLiteral("Окно")), {"actMarks", "actClose"});

    CreateToolBar({"actCurrent",
                   "actStartStopDT",
                   "|",
                   "widths",
                   "|",
                   "actUndoZoom",
                   "actZoomForward",
                   "actZoomMinus",
                   "actZoomPlus",
                   "actShowAllY",
                   "actShowAllX",
                   "actShowAllXY",
                   "actGoToDate",
                   "|",
                   "actPointsTrue",
                   "actPointsFalse",
                   "|",
                   "actScanEndOn",
                   "actScanEndOff",
                   "|",
                   "actExportCsv",
                   "actExportPng",
                   "actCopy",
                   "actReportPreview",
                   "actClose"});
}

// ---- configuration ----

void TFormMultiGraph::Configure(const QString &caption, TDateTime start, TDateTime stop)
{
    RestoreWindowPlacement(*this);
    setWindowTitle(caption);
    RangeRef().SetRange(start, stop);

    // One "Графики" entry per item, checked.
    for (int i = 0; i < m_items.Count(); ++i) {
        auto *entry = new QAction(m_items.Item(i).Holder().Description().Title, this);
        entry->setObjectName(QStringLiteral("miGraph%1").arg(i));
        entry->setCheckable(true);
        entry->setChecked(true);
        entry->setData(i);
        connect(entry, &QAction::triggered, this, [this, i] { SeriesVisibleChange(i); });
        m_seriesMenu->addAction(entry);
        m_seriesEntries << entry;
    }
    CreateSeries();
    // Bound before the archive is read: the readings of the loading time are kept.
    BindLive(true);
    LoadRange();
    SetupYAxis();

    ReadSettings();
    ApplyPoints();
    SetFollowActions();
    ShowAllX();
    ApplyWidth(StepIndex());
    SetModeActions();
    UpdateRangePanel();
}

void TFormMultiGraph::CreateSeries()
{
    ClearSeries();
    for (int i = 0; i < m_items.Count(); ++i) {
        const TMGCollectionItem &item = m_items.Item(i);
        const TDescriptionOfDouble &d = item.Holder().Description();
        const int index = AddSeries(item.ArchiveName, SeriesQColor(item.SeriesColor), d.Title,
                                    d.Dimension.trimmed().isEmpty()
                                        ? d.Title
                                        : d.Title + QStringLiteral(", ") + d.Dimension);
        Line(index)->setObjectName(QStringLiteral("Series%1").arg(i + 1));
    }
}

void TFormMultiGraph::Loaded(bool cancelled)
{
    if (cancelled)
        return;
    for (int i = 0; i < SeriesCount() && i < m_items.Count(); ++i)
        if (SeriesEmpty(i))
            Dialogs().Message(m_items.Item(i).Holder().Description().Title +
                                  QStringLiteral("\rОтсутствуют данные"),
                              TDialogIcon::Warning);
}

void TFormMultiGraph::BindLive(bool bind)
{
    for (int i = 0; i < m_items.Count(); ++i) {
        TIODouble &holder = m_items.Item(i).Holder();
        if (bind)
            holder.OnOutputSet = [this](TIOData *sender) { OnLivePoint(sender); };
        else
            holder.OnOutputSet = nullptr;
    }
}

void TFormMultiGraph::OnLivePoint(TIOData *sender)
{
    try {
        const int i = sender ? sender->Tag : -1;
        if (i < 0 || i >= m_items.Count() || i >= SeriesCount())
            return;
        // The time the device model received the value, not the time of drawing.
        double minKey = 0, maxKey = 0;
        const bool first = !DataExtent(minKey, maxKey);
        AddLivePoint(i, ChartKey(sender->TimeStamp()), sender->Output().ToDouble());
        if (Loading())
            return;
        UpdatePanels();
        UpdateScrollBar();
        if (Follow() || first)
            ScrollToEnd();
        m_items.Changed(i);
        RequestReplot();
    } catch (...) {
    }
}

void TFormMultiGraph::SetupYAxis()
{
    int digits = 0;
    m_yMin = 0;
    m_yMax = 0;
    QString title;
    for (int i = 0; i < m_items.Count(); ++i) {
        const TDescriptionOfDouble &d = m_items.Item(i).Holder().Description();
        if (d.Digits != 255)
            digits = std::max<int>(digits, d.Digits);
        m_yMin = std::min(m_yMin, d.Min());
        m_yMax = std::max(m_yMax, d.Max());
        if (!title.trimmed().isEmpty())
            title += QStringLiteral(", ");
        title += d.Title;
    }
    m_chart->yAxis->setLabel(title);
    SetYAxis(m_yMin, m_yMax);
    if (auto ticker = m_chart->yAxis->ticker().dynamicCast<TValueTicker>())
        ticker->SetDigits(digits);
}

// ---- series visibility and points ----

void TFormMultiGraph::SetSeriesVisible(int index, bool visible)
{
    if (index < 0 || index >= SeriesCount() || index >= m_items.Count())
        return;
    QCPGraph *graph = Line(index);
    m_items.Item(index).Visible = visible;
    TFormTrendBase::SetSeriesVisible(index, visible);
    const QColor color = SeriesQColor(m_items.Item(index).SeriesColor);
    graph->setScatterStyle(visible && PointsShown()
                               ? QCPScatterStyle(QCPScatterStyle::ssSquare, color, color, 1)
                               : QCPScatterStyle());
    if (index < m_seriesEntries.size())
        m_seriesEntries[index]->setChecked(visible);
    RequestReplot();
}

void TFormMultiGraph::SeriesVisibleChange(int index)
{
    if (index < 0 || index >= m_items.Count())
        return;
    // The entry has toggled its own check mark.
    const bool visible =
        index < m_seriesEntries.size() ? m_seriesEntries[index]->isChecked() : true;
    SetSeriesVisible(index, visible);
}

void TFormMultiGraph::SetAllVisible(bool visible)
{
    for (int i = 0; i < SeriesCount(); ++i)
        SetSeriesVisible(i, visible);
}

void TFormMultiGraph::ApplyPoints()
{
    for (int i = 0; i < SeriesCount() && i < m_items.Count(); ++i)
        SetSeriesVisible(i, m_items.Item(i).Visible);
    Action(QStringLiteral("actPointsTrue"))->setChecked(PointsShown());
    Action(QStringLiteral("actPointsFalse"))->setChecked(!PointsShown());
}

void TFormMultiGraph::UndoZoomY()
{
    SetYAxis(m_yMin, m_yMax);
}

void TFormMultiGraph::ShowAllY()
{
    double lowest = 100;
    double highest = 0;
    const QCPRange keys = m_chart->xAxis->range();
    for (int i = 0; i < SeriesCount(); ++i) {
        QCPRange r;
        if (!ValueRange(i, keys, r))
            continue;
        lowest = std::min(lowest, r.lower);
        highest = std::max(highest, r.upper);
    }
    SetYAxis(lowest, highest);
}

// ---- panels, report, CSV, settings ----

QString TFormMultiGraph::ValueText(int series, double value) const
{
    if (series < 0 || series >= m_items.Count())
        return FloatToStr(value);
    const TDescriptionOfDouble &d = m_items.Item(series).Holder().Description();
    if (d.Digits == 255)
        return FloatToStr(value);
    return FloatToStrF(value, ffNumber, d.Precision, d.Digits);
}

void TFormMultiGraph::ShowSnap(const TSnap &snap)
{
    // Each series in the legend with its value at the mouse's time.
    for (int i = 0; i < SeriesCount() && i < m_items.Count(); ++i) {
        const TDescriptionOfDouble &d = m_items.Item(i).Holder().Description();
        TSnap at;
        if (snap.series >= 0 && Nearest(i, ChartKey(snap.time), at))
            Line(i)->setName(d.Title + QStringLiteral(": ") + ValueText(i, at.value) +
                             QLatin1Char(' ') + d.Dimension);
        else
            Line(i)->setName(d.Title);
    }
    QLabel *panel = Panel(2);
    if (!panel)
        return;
    if (snap.series < 0 || snap.series >= m_items.Count()) {
        panel->clear();
        return;
    }
    const TDescriptionOfDouble &d = m_items.Item(snap.series).Holder().Description();
    panel->setText(ToQDateTime(snap.time).toString(QStringLiteral("dd.MM.yy HH:mm:ss")) +
                   QLatin1Char(' ') + d.Title + QLatin1Char(' ') +
                   ValueText(snap.series, snap.value) + QLatin1Char(' ') + d.Dimension);
}

TRepMultiGraph *TFormMultiGraph::PrepareReport()
{
    if (!m_context.reports)
        return nullptr;
    TRepMultiGraph &report = m_context.reports->MultiGraph();
    QCustomPlot *chart = report.Chart();
    // Series1 stays (the report owns it); series of an earlier filling go.
    for (int i = chart->graphCount() - 1; i >= 0; --i)
        if (chart->graph(i) != report.Series())
            chart->removeGraph(i);
    report.Series()->data()->clear();
    report.Series()->setVisible(false);
    report.Series()->removeFromLegend();

    bool first = true;
    for (int i = 0; i < SeriesCount() && i < m_items.Count(); ++i) {
        if (!m_items.Item(i).Visible)
            continue;
        QCPGraph *series = first ? report.Series() : chart->addGraph();
        first = false;
        const QColor color = Line(i)->pen().color();
        series->setPen(QPen(color, 1));
        series->setScatterStyle(PointsShown()
                                    ? QCPScatterStyle(QCPScatterStyle::ssSquare, color, color, 3)
                                    : QCPScatterStyle());
        series->setName(m_items.Item(i).Holder().Description().Title);
        series->setVisible(true);
        series->addToLegend();
        series->data()->set(VisiblePoints(*Line(i)), true);
    }
    chart->legend->setVisible(true);
    FillReportFrame(report);
    return &report;
}

void TFormMultiGraph::ReportPreview()
{
    if (TRepMultiGraph *report = PrepareReport())
        report->Preview(this);
}

void TFormMultiGraph::ReadSettings()
{
    TIniFile ini(IniPath(m_context.programDir));
    SetStepIndex(ini.ReadInteger(kSection, QStringLiteral("dtStepIndex"), 4));
    SetPointsFlag(ini.ReadBool(kSection, QStringLiteral("Points"), false));
    SetFollowFlag(ini.ReadBool(kSection, QStringLiteral("Scan"), false));
}

void TFormMultiGraph::SaveSettings()
{
    TIniFile ini(IniPath(m_context.programDir));
    ini.WriteInteger(kSection, QStringLiteral("dtStepIndex"), StepIndex());
    ini.WriteBool(kSection, QStringLiteral("Points"), PointsShown());
    ini.WriteBool(kSection, QStringLiteral("Scan"), Follow());
    ini.UpdateFile();
}

void TFormMultiGraph::DetachHolders()
{
    BindLive(false);
    m_items.Clear();
}

} // namespace tals
