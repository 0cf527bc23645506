#include "ui/windows/form_spectrum.h"

#include "device/echo_markers.h"
#include "device/spectrum_peaks.h"
#include "device/spectrum_recording.h"
#include "device/tals352.h"
#include "platform/dialogs.h"
#include "storage/echo_curve_file.h"
#include "ui/reports/rep_graph.h"
#include "ui/windows/echo_markers_layer.h"
#include "ui/windows/legend_swatch.h"
#include "ui/windows/spectrum_peaks_list.h"
#include "ui/windows/spectrum_player.h"

#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QToolBar>

#include <qcustomplot.h>

#include <cmath>

namespace tals {

namespace {

const TFormArray::TLayout kSpectrum{"FormSpectrum", "Спектр", 512,        50,   0,
                                    true,           "Спектр", {100, 150}, 1080, 640};

struct TMarkAction
{
    TEchoMark mark;
    const char *name;
    const char *caption;
};

const TMarkAction kMarkActions[] = {
    {TEchoMark::Distance, "actMarkDistance", "Измеренное расстояние"},
    {TEchoMark::Hmax, "actMarkHmax", "Hmax"},
    {TEchoMark::Lmax, "actMarkLmax", "Lmax (Hmax − Lmax)"},
    {TEchoMark::BadZones, "actMarkBadZones", "Плохие зоны"},
    {TEchoMark::Threshold, "actMarkThreshold", "Порог помехи −MUP"},
    {TEchoMark::FirstBin, "actMarkFreqBeg", "Начало обработки FreqBeg"},
};

constexpr int kLegendColumns = 4;

QString StampText(TDateTime time)
{
    return ToQDateTime(time).toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
}

} // namespace

TFormSpectrum::TFormSpectrum(const Ttals352 &model, TRepGraph &report,
                             TSpectrumRecording *recording, std::function<QString()> dayFolder,
                             QWidget *parent)
    : TFormDecibelArray(kSpectrum, model, report, parent), m_recording(recording),
      m_dayFolder(std::move(dayFolder))
{
    if (!m_recording) {
        m_ownRecording = std::make_unique<TSpectrumRecording>();
        m_recording = m_ownRecording.get();
    }
    QCustomPlot *chart = Chart();
    m_markers = std::make_unique<TEchoMarkersLayer>(*chart);

    m_referenceSeries = chart->addGraph();
    m_referenceSeries->setName(QStringLiteral("Reference"));
    m_referenceSeries->setPen(QPen(QColor(140, 140, 140), 1.5));
    m_referenceSeries->setVisible(false);
    // The live curve over the reference.
    m_referenceSeries->setLayer(QStringLiteral("grid"));

    m_cursor = new QCPItemStraightLine(chart);
    m_cursor->setPen(QPen(Qt::black, 1, Qt::DashDotDotLine));
    m_cursor->setVisible(false);

    // The legend in a row of its own under the plot, so it covers no curve.
    chart->legend->setVisible(true);
    chart->legend->setFillOrder(QCPLegend::foColumnsFirst);
    chart->legend->setWrap(kLegendColumns);
    chart->legend->setBorderPen(Qt::NoPen);
    chart->legend->setIconSize(24, 10);
    chart->plotLayout()->addElement(1, 0, chart->legend);
    chart->plotLayout()->setRowStretchFactor(1, 0.001);

    m_peaks = new TSpectrumPeaksList(this);
    AddSideWidget(m_peaks);
    connect(m_peaks, &TSpectrumPeaksList::PeakChosen, this,
            [this](int bin) { MoveCursorToBin(bin); });
    m_player = new TSpectrumPlayer(*m_recording, this);
    AddBottomWidget(m_player);
    connect(m_player, &TSpectrumPlayer::FrameChosen, this, &TFormSpectrum::FrameChosen);
    // The present curve follows every spectrum the recording keeps.
    connect(m_recording, &TSpectrumRecording::Added, this, [this] {
        if (m_player->Index() < 0)
            Reload();
    });
    connect(chart, &QCustomPlot::mousePress, this, [this](QMouseEvent *event) {
        if (event->button() == Qt::RightButton &&
            Chart()->axisRect()->rect().contains(event->position().toPoint()))
            MoveCursorToBin(BinOfKey(Chart()->xAxis->pixelToCoord(event->position().x())));
    });

    CreateEchoActions();
    Reload();
}

TFormSpectrum::~TFormSpectrum() = default;

void TFormSpectrum::CreateEchoActions()
{
    QMenu *marks = menuBar()->addMenu(QStringLiteral("Метки"));
    marks->setObjectName(QStringLiteral("mnuMarks"));
    for (const TMarkAction &m : kMarkActions) {
        QAction *action = MakeAction(m.name, m.caption, m.caption);
        action->setCheckable(true);
        action->setChecked(true);
        const TEchoMark mark = m.mark;
        connect(action, &QAction::toggled, this, [this, mark](bool on) { SetMarkShown(mark, on); });
        marks->addAction(action);
    }

    QMenu *curves = menuBar()->addMenu(QStringLiteral("Кривые"));
    curves->setObjectName(QStringLiteral("mnuCurves"));
    QAction *save = MakeAction("actReferenceSave", "Сохранить как опорную",
                               "Сохранить показанную кривую как опорную кривую прибора");
    m_referenceAction = MakeAction("actReferenceShow", "Опорная кривая",
                                   "Показать опорную кривую прибора поверх текущей");
    m_referenceAction->setCheckable(true);
    QAction *load = MakeAction("actRecordLoadDay", "Загрузить запись за день",
                               "Загрузить в запись спектры, сохранённые за сегодня");
    connect(save, &QAction::triggered, this, &TFormSpectrum::SaveReference);
    connect(m_referenceAction, &QAction::triggered, this, &TFormSpectrum::ShowReference);
    connect(load, &QAction::triggered, this, &TFormSpectrum::LoadDaySeries);
    curves->addAction(save);
    curves->addAction(m_referenceAction);
    curves->addSeparator();
    curves->addAction(load);
    ToolBar()->addSeparator();
    ToolBar()->addAction(m_referenceAction);
}

void TFormSpectrum::Reload()
{
    if (m_player->Index() >= 0)
        m_player->Choose(-1); // back to the present curve, which draws it
    else
        ShowCurve(EchoCurveOf(Model(), Now()));
}

void TFormSpectrum::Refresh()
{
    if (m_player->Index() >= 0)
        return; // a recorded curve keeps the marks of its moment
    UpdateLayers();
    Chart()->replot();
}

void TFormSpectrum::FrameChosen(int index)
{
    if (index < 0)
        ShowCurve(EchoCurveOf(Model(), Now()));
    else
        ShowCurve(Recording().At(index));
}

void TFormSpectrum::SetMarkShown(TEchoMark mark, bool shown)
{
    m_markers->SetShown(mark, shown);
    UpdateLayers();
    Chart()->replot();
}

void TFormSpectrum::CurveChanged()
{
    m_peaks->SetPeaks(FindPeaks(Curve().Decibels()), Curve().Scale);
    UpdateLayers();
    Chart()->replot();
}

void TFormSpectrum::UpdateLayers()
{
    TEchoMarkers markers = EchoMarkersOf(Model());
    // The present curve shows the last reading, a recorded one the reading of its moment.
    if (m_player->Index() >= 0)
        markers.DistanceMm = Curve().Distance;
    const TSweepScale scale = Curve().Scale;
    const bool mm = DistanceAxis();
    m_markers->Update(
        markers, [&](double v) { return mm ? v : scale.MmToBin(v); },
        [this](double bin) { return KeyOfBin(bin); });

    // The reference at the same distances as the curve.
    m_referenceSeries->data()->clear();
    m_referenceSeries->setVisible(m_reference.has_value());
    if (m_reference) {
        const std::vector<double> db = m_reference->Decibels();
        QVector<double> x, y;
        for (std::size_t i = 0; i < db.size(); ++i) {
            if (!std::isfinite(db[i]))
                continue;
            const double refMm = m_reference->Scale.BinToMm(double(i));
            x << (mm ? refMm : scale.MmToBin(refMm));
            y << db[i];
        }
        m_referenceSeries->setData(x, y, true);
    }

    if (std::isfinite(m_cursorBin)) {
        m_cursor->point1->setCoords(KeyOfBin(m_cursorBin), 0);
        m_cursor->point2->setCoords(KeyOfBin(m_cursorBin), 1);
    }
    UpdateLegend();
}

void TFormSpectrum::UpdateLegend()
{
    QCPLegend *legend = Chart()->legend;
    legend->clearItems();
    legend->addItem(new TLegendSwatch(legend, {QPen(Qt::blue, 1.5), Qt::NoBrush, CurveTitle()}));
    if (m_reference)
        legend->addItem(
            new TLegendSwatch(legend, {m_referenceSeries->pen(), Qt::NoBrush,
                                       QStringLiteral("Опорная ") + StampText(m_reference->Time)}));
    for (const TLegendEntry &entry : m_markers->LegendEntries())
        legend->addItem(new TLegendSwatch(legend, entry));
    // The rows of the legend in full: the plot gives way to them.
    const int rows = (legend->itemCount() + kLegendColumns - 1) / kLegendColumns;
    const int line = std::max(QFontMetrics(legend->font()).height(), legend->iconSize().height());
    legend->setMinimumSize(0, rows * (line + 6) + 14);
}

QString TFormSpectrum::CurveTitle() const
{
    if (m_player->Index() >= 0)
        return QStringLiteral("Спектр ") + StampText(Curve().Time);
    return QStringLiteral("Спектр");
}

std::vector<std::pair<QString, const TEchoCurve *>> TFormSpectrum::FurtherCurves() const
{
    if (!m_reference)
        return {};
    return {{QStringLiteral("Опорная ") + StampText(m_reference->Time), &*m_reference}};
}

void TFormSpectrum::MoveCursorToBin(double bin)
{
    if (!std::isfinite(bin))
        return;
    m_cursorBin = bin;
    m_cursor->setVisible(true);
    m_cursor->point1->setCoords(KeyOfBin(bin), 0);
    m_cursor->point2->setCoords(KeyOfBin(bin), 1);
    const std::vector<double> db = Curve().Decibels();
    const int nearest = int(std::lround(bin));
    const double value =
        nearest >= 0 && nearest < int(db.size()) ? db[std::size_t(nearest)] : qQNaN();
    ShowReadout(KeyOfBin(bin), std::isfinite(value) ? value : 0);
    // A cursor outside the zoomed range brings the range to it.
    const QCPRange range = Chart()->xAxis->range();
    if (!range.contains(KeyOfBin(bin))) {
        Chart()->xAxis->setRange(KeyOfBin(bin), range.size(), Qt::AlignCenter);
        AfterZoom();
    }
    Chart()->replot();
}

void TFormSpectrum::SaveReference()
{
    const TEchoCurve &curve = Curve();
    const QString path = ReferenceFilePath(Model().DeviceTypeNumber(), curve.PlantNumber);
    if (QFileInfo::exists(path) &&
        Dialogs().Question(QStringLiteral("Опорная кривая прибора уже есть:\r") + path +
                               QStringLiteral("\rЗаменить?"),
                           {TDialogButton::Yes, TDialogButton::No},
                           TDialogButton::No) != TDialogButton::Yes)
        return;
    const QString problem = WriteReferenceCurve(path, curve);
    if (!problem.isEmpty()) {
        Dialogs().Message(problem, TDialogIcon::Warning);
        return;
    }
    Dialogs().Message(QStringLiteral("Опорная кривая сохранена:\r") + path,
                      TDialogIcon::Information);
    if (m_reference)
        ShowReference(true); // the new one over the curve
}

void TFormSpectrum::ShowReference(bool on)
{
    if (!on) {
        m_reference.reset();
    } else {
        const quint16 plant = Model().PlantNumber();
        const QString path = ReferenceFilePath(Model().DeviceTypeNumber(), plant);
        TCurveRead read = ReadReferenceCurve(path);
        if (read.Ok() && read.Curve.PlantNumber != plant)
            read.Problem = QStringLiteral("Опорная кривая другого прибора (заводской номер %1):\r")
                               .arg(read.Curve.PlantNumber) +
                           path;
        if (!read.Ok()) {
            Dialogs().Message(read.Problem, TDialogIcon::Warning);
            m_referenceAction->setChecked(m_reference.has_value());
            return;
        }
        m_reference = std::move(read.Curve);
    }
    m_referenceAction->setChecked(m_reference.has_value());
    UpdateLayers();
    Chart()->replot();
}

void TFormSpectrum::LoadDaySeries()
{
    const QString folder = m_dayFolder ? m_dayFolder() : QString();
    std::vector<TEchoCurve> curves = folder.isEmpty()
                                         ? std::vector<TEchoCurve>{}
                                         : ReadSpectrumDumpSeries(folder, SweepScaleOf(Model()));
    if (curves.empty()) {
        Dialogs().Message(QStringLiteral("Нет сохранённых спектров за день:\r") + folder,
                          TDialogIcon::Warning);
        return;
    }
    for (TEchoCurve &c : curves)
        c.PlantNumber = Model().PlantNumber();
    Recording().Assign(std::move(curves));
    m_player->Choose(0);
}

void TFormSpectrum::AdjustReport(TRepGraph &report)
{
    // Bin numbers with a non-breaking space between the thousands ("# ###").
    QLocale locale(QLocale::Russian, QLocale::Russia);
    locale.setNumberOptions(QLocale::DefaultNumberOptions);
    report.Chart()->setLocale(locale);
    report.Chart()->xAxis->setNumberFormat(QStringLiteral("f"));
    report.Chart()->xAxis->setNumberPrecision(0);
}

} // namespace tals
