#include "ui/windows/echo_markers_layer.h"

#include "platform/number_format.h"

#include <qcustomplot.h>

#include <cmath>

namespace tals {

QPen EchoMarkPen(TEchoMark mark)
{
    switch (mark) {
    case TEchoMark::Distance:
        return QPen(QColor(200, 0, 0), 2);
    case TEchoMark::Hmax:
        return QPen(QColor(0, 110, 0), 1.5, Qt::DashLine);
    case TEchoMark::Lmax:
        return QPen(QColor(0, 160, 160), 1.5, Qt::DashDotLine);
    case TEchoMark::BadZones:
        return QPen(QColor(230, 120, 0), 1);
    case TEchoMark::Threshold:
        return QPen(QColor(170, 0, 170), 1.5, Qt::DashLine);
    case TEchoMark::FirstBin:
        return QPen(QColor(90, 90, 90), 1.5, Qt::DotLine);
    }
    return QPen();
}

QBrush BadZoneBrush()
{
    return QBrush(QColor(255, 150, 0, 70));
}

TEchoMarkersLayer::TEchoMarkersLayer(QCustomPlot &chart) : m_chart(chart) {}

TEchoMarkersLayer::~TEchoMarkersLayer()
{
    Clear();
}

void TEchoMarkersLayer::SetShown(TEchoMark mark, bool shown)
{
    m_shown[int(mark)] = shown;
}

QCPItemStraightLine *TEchoMarkersLayer::Line(TEchoMark mark) const
{
    return m_lines[int(mark)];
}

void TEchoMarkersLayer::Clear()
{
    for (QCPAbstractItem *item : m_items)
        m_chart.removeItem(item);
    m_items.clear();
    m_zoneRects.clear();
    m_zoneLabels.clear();
    for (auto &line : m_lines)
        line = nullptr;
    m_legend.clear();
}

QCPItemStraightLine *TEchoMarkersLayer::VerticalLine(double key, const QPen &pen)
{
    auto *line = new QCPItemStraightLine(&m_chart);
    line->point1->setCoords(key, 0);
    line->point2->setCoords(key, 1);
    line->setPen(pen);
    line->setSelectable(false);
    m_items << line;
    return line;
}

void TEchoMarkersLayer::Update(const TEchoMarkers &markers,
                               const std::function<double(double mm)> &keyOfMm,
                               const std::function<double(double bin)> &keyOfBin)
{
    Clear();
    auto mm = [](double v) { return FloatToStrF(v, ffNumber, 10, 0) + QStringLiteral(" мм"); };
    auto shown = [this](TEchoMark m) { return m_shown[int(m)]; };

    if (shown(TEchoMark::BadZones) && !markers.BadZones.empty()) {
        for (const TBadZoneSpan &zone : markers.BadZones) {
            auto *rect = new QCPItemRect(&m_chart);
            rect->setLayer(QStringLiteral("grid")); // under the curves
            rect->topLeft->setTypeY(QCPItemPosition::ptAxisRectRatio);
            rect->bottomRight->setTypeY(QCPItemPosition::ptAxisRectRatio);
            rect->topLeft->setCoords(keyOfMm(zone.NearMm), 0);
            rect->bottomRight->setCoords(keyOfMm(zone.FarMm), 1);
            rect->setPen(EchoMarkPen(TEchoMark::BadZones));
            rect->setBrush(BadZoneBrush());
            rect->setSelectable(false);
            m_items << rect;
            m_zoneRects << rect;

            auto *label = new QCPItemText(&m_chart);
            label->position->setTypeY(QCPItemPosition::ptAxisRectRatio);
            label->position->setCoords(keyOfMm((zone.NearMm + zone.FarMm) / 2), 0.01);
            label->setPositionAlignment(Qt::AlignTop | Qt::AlignHCenter);
            label->setText(QString::number(zone.Number));
            label->setColor(QColor(160, 70, 0));
            QFont font = label->font();
            font.setBold(true);
            label->setFont(font);
            label->setSelectable(false);
            m_items << label;
            m_zoneLabels << label;
        }
        m_legend << TLegendEntry{EchoMarkPen(TEchoMark::BadZones), BadZoneBrush(),
                                 QStringLiteral("Плохие зоны")};
    }
    if (shown(TEchoMark::Distance) && std::isfinite(markers.DistanceMm)) {
        m_lines[int(TEchoMark::Distance)] =
            VerticalLine(keyOfMm(markers.DistanceMm), EchoMarkPen(TEchoMark::Distance));
        m_legend << TLegendEntry{EchoMarkPen(TEchoMark::Distance), Qt::NoBrush,
                                 QStringLiteral("Расстояние ") + mm(markers.DistanceMm)};
    }
    if (shown(TEchoMark::Hmax)) {
        m_lines[int(TEchoMark::Hmax)] =
            VerticalLine(keyOfMm(markers.HmaxMm), EchoMarkPen(TEchoMark::Hmax));
        m_legend << TLegendEntry{EchoMarkPen(TEchoMark::Hmax), Qt::NoBrush,
                                 QStringLiteral("Hmax ") + mm(markers.HmaxMm)};
    }
    if (shown(TEchoMark::Lmax)) {
        m_lines[int(TEchoMark::Lmax)] =
            VerticalLine(keyOfMm(markers.LmaxDistanceMm), EchoMarkPen(TEchoMark::Lmax));
        m_legend << TLegendEntry{EchoMarkPen(TEchoMark::Lmax), Qt::NoBrush,
                                 QStringLiteral("Lmax (Hmax − Lmax) ") +
                                     mm(markers.LmaxDistanceMm)};
    }
    if (shown(TEchoMark::Threshold)) {
        auto *line = new QCPItemStraightLine(&m_chart);
        line->point1->setCoords(0, markers.ThresholdDb);
        line->point2->setCoords(1, markers.ThresholdDb);
        line->setPen(EchoMarkPen(TEchoMark::Threshold));
        line->setSelectable(false);
        m_items << line;
        m_lines[int(TEchoMark::Threshold)] = line;
        m_legend << TLegendEntry{EchoMarkPen(TEchoMark::Threshold), Qt::NoBrush,
                                 QStringLiteral("Порог помехи ") +
                                     FloatToStrF(markers.ThresholdDb, ffNumber, 10, 0) +
                                     QStringLiteral(" дБ")};
    }
    if (shown(TEchoMark::FirstBin)) {
        m_lines[int(TEchoMark::FirstBin)] =
            VerticalLine(keyOfBin(markers.FirstBin), EchoMarkPen(TEchoMark::FirstBin));
        m_legend << TLegendEntry{EchoMarkPen(TEchoMark::FirstBin), Qt::NoBrush,
                                 QStringLiteral("FreqBeg ") +
                                     FloatToStrF(markers.FirstBin, ffNumber, 10, 0)};
    }
}

} // namespace tals
