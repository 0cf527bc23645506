#pragma once

// The marks on the echo curve, each switchable: the measured distance, Hmax,
// the distance of Lmax, the bad zones in use shaded with their numbers, the
// interference threshold at -MUP dB and the first processed bin FreqBeg. The
// layer owns its chart items; its legend entries go to the chart's legend.

#include "device/echo_markers.h"

#include <QBrush>
#include <QList>
#include <QPen>
#include <QString>

#include <functional>

class QCPAbstractItem;
class QCPItemRect;
class QCPItemStraightLine;
class QCPItemText;
class QCustomPlot;

namespace tals {

enum class TEchoMark { Distance, Hmax, Lmax, BadZones, Threshold, FirstBin };
inline constexpr int kEchoMarkCount = 6;

// One entry of the legend: a line, a filled box or both, and a text.
struct TLegendEntry
{
    QPen Pen;
    QBrush Brush;
    QString Text;
};

class TEchoMarkersLayer
{
public:
    explicit TEchoMarkersLayer(QCustomPlot &chart);
    ~TEchoMarkersLayer();
    TEchoMarkersLayer(const TEchoMarkersLayer &) = delete;
    TEchoMarkersLayer &operator=(const TEchoMarkersLayer &) = delete;

    void SetShown(TEchoMark mark, bool shown);
    bool Shown(TEchoMark mark) const { return m_shown[int(mark)]; }

    // Lays the marks out anew; keyOfMm and keyOfBin give the bottom-axis key
    // of a distance and of a bin. Does not replot.
    void Update(const TEchoMarkers &markers, const std::function<double(double mm)> &keyOfMm,
                const std::function<double(double bin)> &keyOfBin);

    // The legend entries of the marks shown.
    QList<TLegendEntry> LegendEntries() const { return m_legend; }
    // The items, for tests: the shaded zones with their numbers, and the line
    // of a mark (null when it is not drawn).
    QList<QCPItemRect *> ZoneRects() const { return m_zoneRects; }
    QList<QCPItemText *> ZoneLabels() const { return m_zoneLabels; }
    QCPItemStraightLine *Line(TEchoMark mark) const;

private:
    void Clear();
    QCPItemStraightLine *VerticalLine(double key, const QPen &pen);

    QCustomPlot &m_chart;
    bool m_shown[kEchoMarkCount] = {true, true, true, true, true, true};
    QList<QCPAbstractItem *> m_items;
    QList<QCPItemRect *> m_zoneRects;
    QList<QCPItemText *> m_zoneLabels;
    QCPItemStraightLine *m_lines[kEchoMarkCount] = {};
    QList<TLegendEntry> m_legend;
};

// The pen of a mark's line and the brush of the zones.
QPen EchoMarkPen(TEchoMark mark);
QBrush BadZoneBrush();

} // namespace tals
