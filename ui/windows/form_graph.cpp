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

    AddSeries(QString(), QColor(0, 0, 255), d.Title, d.Title);
    m_series1 = Line(0);
    m_series1->setObjectName(QStringLiteral("Series1"));
    m_series2 = m_chart->addGraph();
    m_series2->setObjectName(QStringLiteral("Series2"));
    m_series2->setPen(QPen(QColor(255, 0, 0), 1));
    m_series2->setScatterStyle(
        QCPScatterStyle(QCPScatterStyle::ssSquare, QColor(0, 0, 255), QColor(0, 0, 255), 1));
    m_series2->setAdaptiveSampling(true);
    m_series2->setVisible(false);
    m_series2->removeFromLegend();

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
                  {QStringLiteral("Точка на графике"), 300},
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
    add(bar->addMenu(QStringLiteral("Масштаб")),
        {"actUndoZoom", "actZoomForward", "actZoomMinus", "actZoomPlus", "actShowAllX",
         "actShowAllY", "actShowAllXY", "|", "actGoToDate"});
    add(bar->addMenu(QStringLiteral("График")),
        QStringList{"actPointsTrue", "actPointsFalse", "|", "actScanEndOn", "actScanEndOff", "|",
                    "actReportPreview", "|"} +
            ExportActionNames());
    add(bar->addMenu(QStringLiteral("Окно")), {"actMarks", "actClose"});

    CreateToolBar({"actCurrent",
                   "actStartStopDT",
                   "|",
                   "actYRangeSet",
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
    // The holder follows the device before the archive is read, so that no
    // reading of the loading time is lost.
    m_holder->Assign(deviceHolder);
    m_holder->SetSource(&deviceHolder, false);
    const TDescriptionOfDouble &d = m_holder->Description();
    SetSeriesNames(0, archiveName, d.Title,
                   d.Dimension.trimmed().isEmpty() ? d.Title
                                                   : d.Title + QStringLiteral(", ") + d.Dimension);
    LoadRange();

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

void TFormGraph::Loaded(bool cancelled)
{
    if (!cancelled && SeriesEmpty(0))
        Dialogs().Message(QStringLiteral("Отсутствуют данные"), TDialogIcon::Warning);
}

void TFormGraph::BindLive(bool bind)
{
    if (bind)
        m_holder->OnOutputSet = [this](TIOData *) { OnLivePoint(); };
    else
        m_holder->OnOutputSet = nullptr;
}

void TFormGraph::SeriesDataChanged(int)
{
    if (PointsShown())
        m_series2->data()->set(*m_series1->data());
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
        const bool first = SeriesEmpty(0);
        AddLivePoint(0, key, value);
        if (Loading())
            return;
        if (PointsShown())
            m_series2->addData(key, value);
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
    QCPRange r;
    if (!ValueRange(0, m_chart->xAxis->range(), r))
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

void TFormGraph::ShowSnap(const TSnap &snap)
{
    QLabel *panel = Panel(4);
    if (!panel)
        return;
    if (snap.series < 0) {
        panel->clear();
        return;
    }
    const TDescriptionOfDouble &d = m_holder->Description();
    QString text = ToQDateTime(snap.time).toString(QStringLiteral("dd.MM.yy HH:mm:ss")) +
                   QLatin1Char(' ') + d.Title + QLatin1Char(' ') + ValueText(snap.value);
    if (d.Digits != kNoDescription)
        text += QStringLiteral(", ") + d.Dimension;
    panel->setText(text);
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
