#include "ui/controls/device_picture.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace tals {

namespace {

// The drawing's own coordinates; the widget scales them to fit.
constexpr double kWidth = 150;
constexpr double kHeight = 240;

QLinearGradient Metal(double left, double right, QColor base)
{
    QLinearGradient g(left, 0, right, 0);
    g.setColorAt(0, base.darker(130));
    g.setColorAt(0.35, base.lighter(135));
    g.setColorAt(1, base.darker(150));
    return g;
}

void DrawHousing(QPainter &p, const QString &name)
{
    const QColor outline(60, 70, 80);
    p.setPen(QPen(outline, 1.2));
    // Cover, housing and cable gland.
    p.setBrush(Metal(32, 118, QColor(150, 160, 170)));
    p.drawRoundedRect(QRectF(32, 12, 86, 12), 3, 3);
    p.setBrush(Metal(24, 126, QColor(70, 110, 160)));
    p.drawRoundedRect(QRectF(24, 22, 102, 74), 10, 10);
    p.setBrush(Metal(126, 142, QColor(150, 160, 170)));
    p.drawRect(QRectF(126, 48, 14, 16));
    // Name plate.
    p.setBrush(QColor(235, 238, 240));
    p.drawRoundedRect(QRectF(34, 44, 82, 24), 3, 3);
    QFont font = p.font();
    font.setPixelSize(11);
    font.setBold(true);
    p.setFont(font);
    p.setPen(QColor(30, 40, 60));
    p.drawText(QRectF(34, 44, 82, 24), Qt::AlignCenter, name);
    // Neck and flange with its bolts.
    p.setPen(QPen(outline, 1.2));
    p.setBrush(Metal(60, 90, QColor(160, 165, 170)));
    p.drawRect(QRectF(60, 96, 30, 22));
    p.setBrush(Metal(18, 132, QColor(170, 175, 180)));
    p.drawRect(QRectF(18, 118, 114, 14));
    p.setBrush(QColor(90, 95, 100));
    for (double x : {26.0, 46.0, 100.0, 120.0})
        p.drawEllipse(QPointF(x, 125), 3, 3);
}

void DrawHorn(QPainter &p)
{
    QPainterPath horn;
    horn.moveTo(56, 132);
    horn.lineTo(94, 132);
    horn.lineTo(124, 212);
    horn.lineTo(26, 212);
    horn.closeSubpath();
    p.setPen(QPen(QColor(60, 70, 80), 1.2));
    p.setBrush(Metal(26, 124, QColor(175, 180, 185)));
    p.drawPath(horn);
    p.drawLine(QPointF(26, 208), QPointF(124, 208));
}

void DrawLens(QPainter &p)
{
    p.setPen(QPen(QColor(60, 70, 80), 1.2));
    p.setBrush(Metal(54, 96, QColor(175, 180, 185)));
    p.drawRect(QRectF(54, 132, 42, 20));
    // The dielectric lens below the flange.
    QPainterPath lens;
    lens.moveTo(34, 152);
    lens.lineTo(116, 152);
    lens.arcTo(QRectF(34, 122, 82, 64), 0, -180);
    lens.closeSubpath();
    QLinearGradient g(34, 0, 116, 0);
    g.setColorAt(0, QColor(215, 215, 205));
    g.setColorAt(0.4, QColor(250, 250, 245));
    g.setColorAt(1, QColor(200, 200, 190));
    p.setBrush(g);
    p.drawPath(lens);
}

void DrawPlaceholder(QPainter &p)
{
    p.setPen(QPen(QColor(140, 140, 140), 1.5, Qt::DashLine));
    p.setBrush(QColor(245, 245, 245));
    p.drawRoundedRect(QRectF(24, 14, 102, 198), 12, 12);
    QFont font = p.font();
    font.setPixelSize(64);
    font.setBold(true);
    p.setFont(font);
    p.setPen(QColor(170, 170, 170));
    p.drawText(QRectF(24, 14, 102, 198), Qt::AlignCenter, QStringLiteral("?"));
}

} // namespace

TDevicePictureKind DevicePictureKind(const QString &deviceType)
{
    bool ok = false;
    const int type = deviceType.trimmed().toInt(&ok, 10);
    switch (ok ? type : 0) {
    case 20:
        return TDevicePictureKind::Tals351;
    case 21:
        return TDevicePictureKind::Tals352;
    default:
        return TDevicePictureKind::Placeholder;
    }
}

TDevicePicture::TDevicePicture(QWidget *parent) : QWidget(parent)
{
    setMinimumSize(100, 160);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
}

void TDevicePicture::SetKind(TDevicePictureKind kind)
{
    if (kind == m_kind)
        return;
    m_kind = kind;
    update();
}

void TDevicePicture::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double scale = std::min(width() / kWidth, height() / kHeight);
    p.translate((width() - kWidth * scale) / 2, (height() - kHeight * scale) / 2);
    p.scale(scale, scale);

    QString caption;
    switch (m_kind) {
    case TDevicePictureKind::Tals351:
        caption = QStringLiteral("ТАЛС351И");
        DrawHousing(p, caption);
        DrawHorn(p);
        break;
    case TDevicePictureKind::Tals352:
        caption = QStringLiteral("ТАЛС352И");
        DrawHousing(p, caption);
        DrawLens(p);
        break;
    case TDevicePictureKind::Placeholder:
        caption = QStringLiteral("Тип не определён");
        DrawPlaceholder(p);
        break;
    }
    QFont font = this->font();
    font.setPixelSize(12);
    p.setFont(font);
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(QRectF(0, 218, kWidth, 20), Qt::AlignCenter, caption);
}

} // namespace tals
