#include "ui/controls/v_histogram.h"

#include "platform/number_format.h"

#include <QEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>

namespace tals {

namespace {

// Scale steps: a raw step in (lower, upper] is widened to upper.
constexpr std::array<double, 14> kScaleSteps{0.5, 1,   2,   5,    10,   20,   50,
                                             100, 200, 500, 1000, 2000, 5000, 10000};

constexpr int kMajorMarkLength = 10;
constexpr int kMinorMarkLength = 5;

double ScaleStep(double raw)
{
    for (size_t i = 0; i + 1 < kScaleSteps.size(); ++i) {
        if (raw > kScaleSteps[i] && raw <= kScaleSteps[i + 1])
            return kScaleSteps[i + 1];
    }
    return raw;
}

void HLine(QImage &image, int x0, int x1, int y, const QColor &color)
{
    if (y < 0 || y >= image.height())
        return;
    x0 = std::max(x0, 0);
    x1 = std::min(x1, image.width() - 1);
    const QRgb rgb = color.rgb();
    for (int x = x0; x <= x1; ++x)
        image.setPixel(x, y, rgb);
}

void FillRows(QImage &image, int x0, int x1, int y0, int y1, const QColor &color)
{
    y0 = std::max(y0, 0);
    y1 = std::min(y1, image.height() - 1);
    for (int y = y0; y <= y1; ++y)
        HLine(image, x0, x1, y, color);
}

void VLine(QImage &image, int x, int y0, int y1, const QColor &color)
{
    FillRows(image, x, x, y0, y1, color);
}

} // namespace

TVHistogram::TVHistogram(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(50, 200);
    m_zone = ClassifyZone(m_value);
}

void TVHistogram::SetBorder(TBorder value)
{
    if (value == m_border)
        return;
    m_border = value;
    m_frameWidth = value == bNone ? 0 : 1;
    Redraw();
}

void TVHistogram::SetValue(double value)
{
    // A value that is no number keeps the last good bar.
    if (!std::isfinite(value) || value < m_min || value > m_max || value == m_value)
        return;
    m_value = value;
    m_zone = ClassifyZone(value);
    Redraw();
}

void TVHistogram::SetMax(double value)
{
    if (!std::isfinite(value) || value < m_min || value == m_max)
        return;
    m_max = value;
    Redraw();
}

void TVHistogram::SetMin(double value)
{
    if (!std::isfinite(value) || value > m_max || value == m_min)
        return;
    m_min = value;
    Redraw();
}

void TVHistogram::SetRange(double newMin, double newMax)
{
    if (!std::isfinite(newMin) || !std::isfinite(newMax) || newMin > newMax)
        return;
    m_min = newMin;
    m_max = newMax;
    Redraw();
}

void TVHistogram::SetColorZoneAlarm(const QColor &value)
{
    m_colorZoneAlarm = value;
    Redraw();
}

void TVHistogram::SetColorZoneAttention(const QColor &value)
{
    m_colorZoneAttention = value;
    Redraw();
}

// The plain setters below accept any changed value.
#define TALS_CHANGED_SETTER(Name, Type, member)                                                    \
    void TVHistogram::Set##Name(Type value)                                                        \
    {                                                                                              \
        if (value == member)                                                                       \
            return;                                                                                \
        member = value;                                                                            \
        Redraw();                                                                                  \
    }

TALS_CHANGED_SETTER(ScaleOffset, int, m_scaleOffset)
TALS_CHANGED_SETTER(ColorProductType, TColorProductType, m_colorProductType)
TALS_CHANGED_SETTER(ColorProduct, const QColor &, m_colorProduct)
TALS_CHANGED_SETTER(ColorEmpty, const QColor &, m_colorEmpty)
TALS_CHANGED_SETTER(ColorScale, const QColor &, m_colorScale)
TALS_CHANGED_SETTER(ColorValues, const QColor &, m_colorValues)
TALS_CHANGED_SETTER(ShowScaleMarks, bool, m_showScaleMarks)
TALS_CHANGED_SETTER(ShowScaleZones, bool, m_showScaleZones)
TALS_CHANGED_SETTER(ShowValues, bool, m_showValues)
TALS_CHANGED_SETTER(ScaleAlignment, TScaleAlignment, m_scaleAlignment)
TALS_CHANGED_SETTER(Caption, const QString &, m_caption)

#undef TALS_CHANGED_SETTER

void TVHistogram::SetDValueSmall(double value)
{
    if (!std::isfinite(value) || value < 0 || value < m_min || value > m_max ||
        value == m_dValueSmall)
        return;
    m_dValueSmall = value;
    Redraw();
}

void TVHistogram::SetDValueBig(double value)
{
    if (!std::isfinite(value) || value < 0 || value < m_min || value > m_max ||
        value == m_dValueBig)
        return;
    m_dValueBig = value;
    Redraw();
}

void TVHistogram::SetDecimalSign(int value)
{
    if (value < 0 || value == m_decimalSign)
        return;
    m_decimalSign = value;
    Redraw();
}

void TVHistogram::SetScaleReverse(bool value)
{
    m_scaleReverse = value;
}

int TVHistogram::ClassifyZone(double value) const
{
    if (value >= m_zoneHighAlarm.Level)
        return 0;
    if (value >= m_zoneHighAttention.Level)
        return 1;
    if (value > m_zoneLowAttention.Level)
        return 2;
    if (value > m_zoneLowAlarm.Level)
        return 3;
    return 4;
}

QColor TVHistogram::BarColor() const
{
    if (m_colorProductType == cptManual)
        return m_colorProduct;
    switch (m_zone) {
    case 0:
    case 4:
        return m_colorZoneAlarm;
    case 1:
    case 3:
        return m_colorZoneAttention;
    default:
        return m_colorProduct;
    }
}

int TVHistogram::Row(double value) const
{
    if (m_max == m_min || !std::isfinite(value))
        return -1;
    const int h = height();
    // nearbyint rounds halves to even under the default rounding mode.
    double scaled = std::nearbyint((value - m_min) * h / (m_max - m_min));
    // Rows far outside the gauge all draw alike; keep them within int.
    if (!std::isfinite(scaled))
        return -1;
    scaled = std::clamp(scaled, -2.0 * h - 2, 2.0 * h + 2);
    return h - static_cast<int>(scaled);
}

void TVHistogram::Redraw()
{
    // While hidden only remember that the picture is stale.
    m_dirty = true;
    if (!isVisible())
        return;
    RenderInto(m_bitmap);
    m_dirty = false;
    update();
}

QImage TVHistogram::Render() const
{
    QImage image;
    RenderInto(image);
    return image;
}

void TVHistogram::RenderInto(QImage &image) const
{
    const int w = width();
    const int h = height();
    if (image.size() != QSize(w, h))
        image = QImage(std::max(w, 1), std::max(h, 1), QImage::Format_RGB32);
    if (w <= 0 || h <= 0)
        return;

    const int r = Row(m_value);
    FillRows(image, 0, w - 1, 0, r, m_colorEmpty);
    FillRows(image, 0, w - 1, r, h - 1, BarColor());

    if (m_scaleReverse) {
        DrawMarks(image, true);
    } else {
        DrawZones(image);
        DrawMarks(image, false);
    }

    if (!m_caption.isEmpty()) {
        QPainter painter(&image);
        painter.setFont(font());
        painter.setPen(m_colorValues);
        const QFontMetrics metrics(font());
        const int left = (w - metrics.horizontalAdvance(m_caption)) / 2;
        const int top = metrics.height() / 2;
        painter.drawText(QPoint(left, top + metrics.ascent()), m_caption);
    }

    if (m_border != bNone) {
        const QColor topLeft = m_border == bLower ? Qt::black : Qt::white;
        const QColor bottomRight = m_border == bLower ? Qt::white : Qt::black;
        HLine(image, 0, w - 1, 0, topLeft);
        VLine(image, 0, 0, h - 1, topLeft);
        VLine(image, w - 1, 0, h - 1, bottomRight);
        HLine(image, 0, w - 1, h - 1, bottomRight);
    }
}

void TVHistogram::DrawZones(QImage &image) const
{
    if (!m_showScaleZones)
        return;
    const int w = image.width();
    const int h = image.height();
    const int b = m_frameWidth;
    const int o = m_scaleOffset;
    const int lineColumn = m_scaleAlignment == saLeft ? b + o : w - 1 - b - o;
    const int stripLeft = m_scaleAlignment == saLeft ? b + o : w - 3 - b - o;
    const int stripRight = m_scaleAlignment == saLeft ? b + o + 2 : w - 2 - b - o;

    struct TZoneDraw
    {
        const TZoneThreshold &Threshold;
        bool Upper;
        const QColor &Color;
    };
    const std::array<TZoneDraw, 4> zones{{
        {m_zoneHighAttention, true, m_colorZoneAttention},
        {m_zoneLowAttention, false, m_colorZoneAttention},
        {m_zoneHighAlarm, true, m_colorZoneAlarm},
        {m_zoneLowAlarm, false, m_colorZoneAlarm},
    }};
    for (const TZoneDraw &zone : zones) {
        if (!zone.Threshold.Drawn)
            continue;
        const int t = Row(zone.Threshold.Level);
        if (t < 0)
            continue;
        if (zone.Upper)
            FillRows(image, stripLeft, stripRight, 1, t - 1, zone.Color);
        else
            FillRows(image, stripLeft, stripRight, t, h - 2, zone.Color);
        if (t < h) {
            for (int x = 0; x <= w - 2; ++x)
                image.setPixel(x, t, (x % 2 == 0 ? zone.Color : m_colorEmpty).rgb());
        }
    }
    VLine(image, lineColumn, 1, h - 2, m_colorScale);
}

void TVHistogram::DrawMarks(QImage &image, bool reverse) const
{
    if (!m_showScaleMarks)
        return;
    const int w = image.width();
    const int h = image.height();
    const int n = h / 10;
    if (n == 0)
        return;
    const double step = ScaleStep((m_max - m_min) / n);
    if (!(step > 0))
        return;
    const int b = m_frameWidth;
    const int o = m_scaleOffset;

    QPainter painter(&image);
    painter.setFont(font());
    painter.setPen(m_colorValues);
    const QFontMetrics metrics(font());

    auto markRow = [&](double v) { return Row(reverse ? m_max - v : v); };
    auto drawMark = [&](int row, int length) {
        if (m_scaleAlignment == saLeft)
            HLine(image, b + o, b + o + length - 1, row, m_colorScale);
        else
            HLine(image, w - b - o - length, w - 2 - b - o, row, m_colorScale);
    };

    // Positions are computed from the count of steps so that no rounding drift
    // adds a mark at the top edge.
    // The counts bound the loops also where Min + step rounds back to Min.
    for (int k = 1; k <= n + 1; ++k) {
        const double v = m_min + k * step;
        if (!(v < m_max))
            break;
        const int row = markRow(v);
        if (row < 0)
            continue;
        drawMark(row, kMajorMarkLength);
        if (m_showValues) {
            const QString text = FloatToStrF(v, ffNumber, 9, m_decimalSign);
            const int top = row - metrics.height() / 2;
            const int left =
                m_scaleAlignment == saLeft ? b + 20 : w - b - 21 - metrics.horizontalAdvance(text);
            painter.drawText(QPoint(left, top + metrics.ascent()), text);
        }
    }
    const double half = step / 2;
    for (int k = 1; k <= 2 * n + 2; ++k) {
        const double v = m_min + k * half;
        if (!(v < m_max))
            break;
        const int row = markRow(v);
        if (row >= 0)
            drawMark(row, kMinorMarkLength);
    }
}

void TVHistogram::paintEvent(QPaintEvent *)
{
    if (m_dirty || m_bitmap.size() != size()) {
        RenderInto(m_bitmap);
        m_dirty = false;
    }
    QPainter painter(this);
    painter.drawImage(0, 0, m_bitmap);
}

void TVHistogram::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    Redraw();
}

void TVHistogram::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange)
        Redraw();
}

void TVHistogram::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QWidget::mouseReleaseEvent(event);
}

void TVHistogram::mouseDoubleClickEvent(QMouseEvent *event)
{
    emit doubleClicked();
    QWidget::mouseDoubleClickEvent(event);
}

} // namespace tals
