#include "ui/windows/form_graph.h"

#include "platform/dialogs.h"
#include "platform/ini_file.h"
#include "platform/number_format.h"
#include "platform/paths.h"
#include "ui/application/main_services.h"
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
constexpr quint8 kNoDescription = 255;

} // namespace

QString TFormGraph::IniPath(const QString &programDir)
{
    return IniFilePath(programDir, QStringLiteral("fGraph.ini"));
}

TFormGraph::TFormGraph(TTrendContext context, QWidget *parent)
    : TFormTrendBase(std::move(context), parent), m_holder(std::make_unique<TIODouble>())
{
    setObjectName(QStringLiteral("FormGraph"));
    setWindowTitle(QStringLiteral("График"));

    TDescriptionOfDouble &d = m_holder->Description();
    d.Title = QStringLiteral("Значение");
    d.Hint = QStringLiteral("Значение параметра");
    d.Dimension.clear();
    d.SetRange(0, 100);
    d.Precision = 10;
    d.Digits = kNoDescription;

    m_series1 = m_chart->addGraph();
    m_series1->setObjectName(QStringLiteral("Series1"));
    m_series1->setPen(QPen(QColor(0, 0, 255), 1));
    m_series1->setAdaptiveSampling(true);
    m_series2 = m_chart->addGraph();
    m_series2->setObjectName(QStringLiteral("Series2"));
    m_series2->setPen(QPen(QColor(255, 0, 0), 1));
    m_series2->setScatterStyle(
        QCPScatterStyle(QCPScatterStyle::ssSquare, QColor(0, 0, 255), QColor(0, 0, 255), 1));
    m_series2->setAdaptiveSampling(true);
    m_series2->setVisible(false);

    CreateCommonActions();
    AddAction(QStringLiteral("actYRangeChange"), QStringLiteral("Изменить диапазон Y"),
              QStringLiteral("Изменить диапазон Y"), [this] { ChangeYRange(); });
    AddAction(QStringLiteral("actYRangeSet"), QStringLiteral("Установить диапазон Y"),
              QStringLiteral("Установить диапазон Y"), [this] { SetYRange(); });
    AddAction(QStringLiteral("actSet4Milimeters"), QStringLiteral("Размах 4 мм"),
              QStringLiteral("Размах 4 мм"), [this] { Set4Milimeters(); });
    CreateMenusAndToolBar();
    CreatePanels({{QStringLiteral("Диапазон с 88.88.88 88:88:88 по: 88.88.88 88:88:88"), 300},
                  {QStringLiteral("Интервал"), 300},
                  {QStringLiteral("Размах"), 100},
                  {QStringLiteral("Текущее значение"), 100},
                  {QStringLiteral("Точка на графике"), 200},
                  {QString(), 50}});

    m_holder->OnOutputSet = [this](TIOData *) { OnLivePoint(); };
    SetPointsFlag(false);
    SetFollowFlag(false);
    SetModeActions();
}

TFormGraph::~TFormGraph()
{
    DetachHolders();
}

void TFormGraph::CreateMenusAndToolBar()
{
    auto add = [this](QMenu *menu, const QStringList &names) { AddActions(menu, names); };
    const QStringList widths = WidthActionNames();

    QMenuBar *bar = menuBar();
    add(bar->addMenu(QStringLiteral("Диапазон")), {"actCurrent", "actStartStopDT"});
    add(bar->addMenu(QStringLiteral("Интервал")),
        QStringList{"actYRangeChange", "actYRangeSet", "|"} + widths);
    add(bar->addMenu(QStringLiteral("Масштаб")), {"actUndoZoom", "actZoomMinus", "actZoomPlus",
                                                  "actShowAllX", "actShowAllY", "actShowAllXY"});
    add(bar->addMenu(QStringLiteral("График")),
        {"actPointsTrue", "actPointsFalse", "|", "actScanEndOn", "actScanEndOff", "|",
         "actReportPreview", "actExportCsv"});
    add(bar->addMenu(QStringLiteral("Окно")), {"actMarks", "actClose"});

    QToolBar *tools = addToolBar(QStringLiteral("Инструменты"));
    tools->setObjectName(QStringLiteral("ToolBar1"));
    tools->setMovable(false);
    tools->setToolButtonStyle(Qt::ToolButtonTextOnly);
    AddActions(tools,
               QStringList{"actCurrent", "actStartStopDT", "|", "actYRangeSet", "|"} + widths +
                   QStringList{"|", "actUndoZoom", "actZoomMinus", "actZoomPlus", "actShowAllY",
                               "actShowAllX", "actShowAllXY", "|", "actPointsTrue",
                               "actPointsFalse", "|", "actScanEndOn", "actScanEndOff", "|",
                               "actReportPreview", "actExportCsv", "actClose"});
}

// ---- opening and loading ----

void TFormGraph::Open(int slot, const QString &archiveName, TIODouble &deviceHolder,
                      const QString &caption, TDateTime start, TDateTime stop)
{
    m_slot = slot;
    setObjectName(QStringLiteral("FormGraph%1").arg(slot));
    RestoreWindowPlacement(*this);
    setWindowTitle(caption);
    m_archiveName = archiveName;
    m_yRange = 0;
    RangeRef().SetRange(start, stop);
    m_series1->data()->clear();
    m_series2->data()->clear();
    LoadArchiveRange();

    m_holder->Assign(deviceHolder);
    m_holder->SetSource(&deviceHolder, false);
    const TDescriptionOfDouble &d = m_holder->Description();
    m_chart->yAxis->setLabel(d.Title + QStringLiteral(", ") + d.Dimension);
    if (d.Min() <= d.Max())
        SetYAxis(d.Min(), d.Max());
    if (auto ticker = m_chart->yAxis->ticker().dynamicCast<TValueTicker>())
        ticker->SetDigits(d.Digits == kNoDescription ? 0 : d.Digits);

    ReadSettings();
    ApplyPoints();
    SetFollowActions();
    ShowAllX();
    ApplyWidth(StepIndex());
    SetModeActions();
    UpdateRangePanel();
}

void TFormGraph::LoadArchiveRange()
{
    LoadDays({m_archiveName}, {QStringLiteral("Загрузка архива")},
             [this](int, const QVector<QCPGraphData> &day) {
                 if (day.isEmpty())
                     return;
                 m_series1->data()->add(day, true);
                 if (PointsShown() && Mode() == mLive)
                     m_series2->data()->add(day, true);
             },
             {});
    // Live points of the loading time follow the archive's.
    const std::vector<QCPGraphData> pending = std::move(m_pending);
    m_pending.clear();
    for (const QCPGraphData &p : pending)
        AddPoint(p.key, p.value);
    UpdateScrollBar();
    UpdatePanels();
    if (m_series1->data()->isEmpty())
        Dialogs().Message(QStringLiteral("Отсутствуют данные"), TDialogIcon::Warning);
}

void TFormGraph::Reload(bool live)
{
    m_series1->data()->clear();
    m_series2->data()->clear();
    BindLive(live);
    LoadArchiveRange();
}

void TFormGraph::BindLive(bool bind)
{
    if (bind)
        m_holder->OnOutputSet = [this](TIOData *) { OnLivePoint(); };
    else
        m_holder->OnOutputSet = nullptr;
}

void TFormGraph::AddPoint(double key, double value)
{
    m_series1->data()->add(QCPGraphData(key, value));
    if (PointsShown() && Mode() == mLive)
        m_series2->data()->add(QCPGraphData(key, value));
}

void TFormGraph::OnLivePoint()
{
    try {
        const double value = m_holder->Output().ToDouble();
        if (QLabel *panel = Panel(3)) {
            const TDescriptionOfDouble &d = m_holder->Description();
            panel->setText(d.Digits == kNoDescription
                               ? QString()
                               : FloatToStrF(value, ffNumber, d.Precision, d.Digits));
        }
        const double key = ChartKey(Range().Now());
        if (Loading()) {
            m_pending.push_back(QCPGraphData(key, value));
            return;
        }
        const bool first = m_series1->data()->isEmpty();
        AddPoint(key, value);
        if (first)
            ScrollToEnd(); // the first point of an empty chart comes into view
        if (Follow()) {
            ScrollToEnd();
            Set4Milimeters();
        }
        UpdatePanels();
        UpdateScrollBar();
        RequestReplot();
    } catch (...) {
    }
}

// ---- Y tools ----

void TFormGraph::Set4Milimeters()
{
    const double value = m_holder->Output().ToDouble();
    const QCPRange r = m_chart->yAxis->range();
    if (value >= r.lower && value <= r.upper)
        return;
    const double half = r.size() / 2;
    SetYAxis(value - half, value + half);
    AxisChanged(true);
}

void TFormGraph::ChangeYRange()
{
    if (!m_context.input)
        return;
    const TDescriptionOfDouble &d = m_holder->Description();
    double value = m_yRange;
    const int decimals = d.Digits == kNoDescription ? 3 : std::min<int>(d.Digits, 10);
    if (!m_context.input->TryInputDouble(QStringLiteral("Введите"), QStringLiteral("Диапазон Y"),
                                         decimals, value, 0, 3))
        return;
    if (value > 0 && value <= d.Max() - d.Min())
        m_yRange = value;
}

void TFormGraph::SetYRange()
{
    if (m_yRange == 0)
        return;
    const double value = m_holder->Output().ToDouble();
    SetYAxis(value - m_yRange / 2, value + m_yRange / 2);
    AxisChanged(true);
}

void TFormGraph::UndoZoomY()
{
    const TDescriptionOfDouble &d = m_holder->Description();
    SetYAxis(d.Min(), d.Max());
}

void TFormGraph::ShowAllY()
{
    bool found = false;
    QCPRange r = m_series1->getValueRange(found, QCP::sdBoth, m_chart->xAxis->range());
    if (!found)
        return;
    if (r.size() <= 0)
        r = QCPRange(r.lower - 1, r.upper + 1);
    SetYAxis(r.lower, r.upper);
}

void TFormGraph::ApplyPoints()
{
    if (PointsShown()) {
        m_series2->data()->set(*m_series1->data());
        m_series2->setVisible(true);
    } else {
        m_series2->data()->clear();
        m_series2->setVisible(false);
    }
    Action(QStringLiteral("actPointsTrue"))->setChecked(PointsShown());
    Action(QStringLiteral("actPointsFalse"))->setChecked(!PointsShown());
}

// ---- panels ----

QString TFormGraph::ValueText(double value) const
{
    const TDescriptionOfDouble &d = m_holder->Description();
    if (d.Digits == kNoDescription)
        return FloatToStr(value);
    return FloatToStrF(value, ffNumber, d.Precision, d.Digits);
}

void TFormGraph::UpdateValuePanels()
{
    if (QLabel *panel = Panel(2))
        panel->setText(ValueText(m_chart->yAxis->range().size()) +
                       m_holder->Description().Dimension);
}

QString TFormGraph::CursorText(double key, double value) const
{
    const TDescriptionOfDouble &d = m_holder->Description();
    QString text = ToQDateTime(ChartDateTime(key)).toString(QStringLiteral("dd.MM.yy HH:mm:ss")) +
                   QLatin1Char(' ') + d.Title + QLatin1Char(' ') + ValueText(value);
    if (d.Digits != kNoDescription)
        text += QStringLiteral(", ") + d.Dimension;
    return text;
}

// ---- report, CSV, settings ----

TRepGraph *TFormGraph::PrepareReport()
{
    if (!m_context.reports)
        return nullptr;
    TRepGraph &report = m_context.reports->Graph();
    FillReportFrame(report);
    QCPGraph *series = report.Series();
    series->data()->set(VisiblePoints(*m_series1), true);
    series->setPen(QPen(QColor(0, 0, 255), 1));
    series->setScatterStyle(PointsShown() ? QCPScatterStyle(QCPScatterStyle::ssSquare,
                                                            QColor(0, 0, 255), QColor(0, 0, 255), 3)
                                          : QCPScatterStyle());
    series->setVisible(true);
    return &report;
}

void TFormGraph::ReportPreview()
{
    if (TRepGraph *report = PrepareReport())
        report->Preview(this);
}

std::vector<TCsvSeries> TFormGraph::VisibleSeries() const
{
    const TDescriptionOfDouble &d = m_holder->Description();
    TCsvSeries series;
    series.title =
        d.Dimension.trimmed().isEmpty() ? d.Title : d.Title + QStringLiteral(", ") + d.Dimension;
    const QCPRange r = m_chart->xAxis->range();
    const auto data = m_series1->data();
    for (auto it = data->findBegin(r.lower, false); it != data->findEnd(r.upper, false); ++it)
        series.rows.push_back({ChartDateTime(it->key), it->value});
    return {series};
}

void TFormGraph::ReadSettings()
{
    TIniFile ini(IniPath(m_context.programDir));
    SetStepIndex(ini.ReadInteger(kSection, QStringLiteral("dtStepIndex"), 4));
    SetPointsFlag(ini.ReadBool(kSection, QStringLiteral("Points"), false));
    SetFollowFlag(ini.ReadBool(kSection, QStringLiteral("Scan"), false));
    m_yRange = ini.ReadFloat(kSection, QStringLiteral("YRange"), 0);
}

void TFormGraph::SaveSettings()
{
    TIniFile ini(IniPath(m_context.programDir));
    ini.WriteInteger(kSection, QStringLiteral("dtStepIndex"), StepIndex());
    ini.WriteBool(kSection, QStringLiteral("Points"), PointsShown());
    ini.WriteBool(kSection, QStringLiteral("Scan"), Follow());
    ini.WriteFloat(kSection, QStringLiteral("YRange"), m_yRange);
    ini.UpdateFile();
}

void TFormGraph::DetachHolders()
{
    if (m_holder) {
        m_holder->OnOutputSet = nullptr;
        m_holder->SetSource(nullptr, false);
    }
}

TFormGraph *CreateTrendWindow(const TTrendContext &context, int slot, const QString &archiveName,
                              TIODouble &deviceHolder, const QString &caption, TDateTime start,
                              TDateTime stop)
{
    if (slot < 1 || slot > 7)
        return nullptr;
    auto *window = new TFormGraph(context);
    window->Open(slot, archiveName, deviceHolder, caption, start, stop);
    return window;
}

} // namespace tals
