#include "ui/windows/form_decibel_array.h"

#include "device/tals352.h"
#include "platform/number_format.h"
#include "storage/echo_curve_csv.h"

#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <QMenu>
#include <QToolBar>

#include <qcustomplot.h>

#include <cmath>

namespace tals {

TFormDecibelArray::TFormDecibelArray(const TLayout &layout, const Ttals352 &model,
                                     TRepGraph &report, QWidget *parent)
    : TFormArray(layout, model, report, parent)
{
    m_axisBins = MakeAction("actAxisBins", "Ось: точки", "Нижняя ось в точках спектра");
    m_axisMm = MakeAction("actAxisMm", "Ось: мм", "Нижняя ось в миллиметрах расстояния");
    auto *group = new QActionGroup(this);
    for (QAction *a : {m_axisBins, m_axisMm}) {
        a->setCheckable(true);
        group->addAction(a);
    }
    m_axisBins->setChecked(true);
    connect(m_axisBins, &QAction::triggered, this, [this] { SetDistanceAxis(false); });
    connect(m_axisMm, &QAction::triggered, this, [this] { SetDistanceAxis(true); });
    ViewMenu()->addSeparator();
    ViewMenu()->addAction(m_axisBins);
    ViewMenu()->addAction(m_axisMm);
    ToolBar()->addSeparator();
    ToolBar()->addAction(m_axisBins);
    ToolBar()->addAction(m_axisMm);
}

QString TFormDecibelArray::ReadoutText(double bin, double y) const
{
    return SpectrumReadout(bin, y, Model().KrPer());
}

QString TFormDecibelArray::DistanceText(double bin) const
{
    const TSweepScale scale = m_curve.Values.empty() ? SweepScaleOf(Model()) : m_curve.Scale;
    if (!scale.Valid())
        return {};
    return QStringLiteral("L = ") + FloatToStrF(scale.BinToMm(bin), ffNumber, 10, 1) +
           QStringLiteral(" мм");
}

void TFormDecibelArray::SetDistanceAxis(bool millimetres)
{
    const TSweepScale scale = m_curve.Values.empty() ? SweepScaleOf(Model()) : m_curve.Scale;
    // Without a usable deviation there are no millimetres to show.
    millimetres = millimetres && scale.Valid();
    m_axisMm->setChecked(millimetres);
    m_axisBins->setChecked(!millimetres);
    if (millimetres == m_distanceAxis)
        return;
    m_distanceAxis = millimetres;
    Chart()->xAxis->setLabel(millimetres ? QStringLiteral("Расстояние, мм") : QString());
    Redraw();
    ResetBottomAxis();
}

double TFormDecibelArray::KeyOfBin(double bin) const
{
    return m_distanceAxis ? m_curve.Scale.BinToMm(bin) : bin;
}

double TFormDecibelArray::BinOfKey(double key) const
{
    return m_distanceAxis ? m_curve.Scale.MmToBin(key) : key;
}

QCPRange TFormDecibelArray::FullBottomRange() const
{
    const QCPRange bins = TFormArray::FullBottomRange();
    if (!m_distanceAxis)
        return bins;
    // Bin edges: the first bin starts at 0 mm.
    return QCPRange(m_curve.Scale.BinToMm(bins.lower - 0.5),
                    m_curve.Scale.BinToMm(bins.upper - 0.5));
}

void TFormDecibelArray::ShowCurve(TEchoCurve curve)
{
    const bool scaleChanged =
        !(curve.Scale.KrPer == m_curve.Scale.KrPer &&
          curve.Scale.FreqDev == m_curve.Scale.FreqDev && curve.Scale.DPG == m_curve.Scale.DPG);
    m_curve = std::move(curve);
    if (m_distanceAxis && !m_curve.Scale.Valid()) {
        SetDistanceAxis(false);
        return;
    }
    Redraw();
    if (m_distanceAxis && scaleChanged)
        ResetBottomAxis();
}

void TFormDecibelArray::Redraw()
{
    QVector<double> x, y;
    DecibelPoints(m_curve.Values.data(), int(m_curve.Values.size()), x, y);
    if (m_distanceAxis)
        for (double &key : x)
            key = m_curve.Scale.BinToMm(key);
    SetPoints(x, y);
    CurveChanged();
}

void TFormDecibelArray::ShowReadout(double key, double value)
{
    const double bin = BinOfKey(key);
    TFormArray::ShowReadout(bin, value);
    if (QLabel *panel = StatusPanel(1))
        panel->setText(DistanceText(bin));
}

QByteArray TFormDecibelArray::CurvesCsv() const
{
    std::vector<TCsvCurve> curves{{CurveTitle(), &m_curve}};
    for (const auto &[title, curve] : FurtherCurves())
        curves.push_back({title, curve});
    return EchoCurvesCsv(curves);
}

} // namespace tals
