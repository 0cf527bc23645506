#include "ui/windows/trend_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <functional>
#include <map>

namespace tals {

namespace {

using TDraw = std::function<void(QPainter &)>;

const QColor kInk(40, 60, 100);
const QColor kAccent(200, 60, 40);

void Arrow(QPainter &p, QPointF from, QPointF to)
{
    p.drawLine(from, to);
    const QLineF line(to, from);
    QLineF a = line;
    a.setLength(5);
    a.setAngle(line.angle() + 35);
    QLineF b = line;
    b.setLength(5);
    b.setAngle(line.angle() - 35);
    p.drawLine(a);
    p.drawLine(b);
}

void Magnifier(QPainter &p, bool plus)
{
    p.drawEllipse(QPointF(10, 10), 6.5, 6.5);
    p.setPen(QPen(kInk, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(15, 15), QPointF(21, 21));
    p.setPen(QPen(kAccent, 2));
    p.drawLine(QPointF(7, 10), QPointF(13, 10));
    if (plus)
        p.drawLine(QPointF(10, 7), QPointF(10, 13));
}

void Calendar(QPainter &p)
{
    p.drawRect(QRectF(3, 5, 18, 16));
    p.fillRect(QRectF(3, 5, 18, 4), kInk);
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 3; ++c)
            p.fillRect(QRectF(6 + c * 5, 12 + r * 4, 2.5, 2.5), kInk);
}

void Trend(QPainter &p)
{
    QPainterPath path(QPointF(2, 17));
    path.cubicTo(QPointF(7, 5), QPointF(11, 21), QPointF(15, 11));
    path.cubicTo(QPointF(17, 7), QPointF(19, 9), QPointF(22, 7));
    p.drawPath(path);
}

const std::map<QString, TDraw> &Drawings()
{
    static const std::map<QString, TDraw> drawings = {
        {QStringLiteral("actCurrent"),
         [](QPainter &p) {
             p.drawEllipse(QPointF(12, 12), 9, 9);
             p.drawLine(QPointF(12, 12), QPointF(12, 6));
             p.drawLine(QPointF(12, 12), QPointF(16, 14));
             p.setBrush(kAccent);
             p.drawEllipse(QPointF(19, 5), 2.5, 2.5);
         }},
        {QStringLiteral("actStartStopDT"), [](QPainter &p) { Calendar(p); }},
        {QStringLiteral("actGoToDate"),
         [](QPainter &p) {
             Calendar(p);
             p.setPen(QPen(kAccent, 2));
             Arrow(p, QPointF(1, 2), QPointF(9, 2));
         }},
        {QStringLiteral("actYRangeSet"),
         [](QPainter &p) {
             p.drawLine(QPointF(6, 3), QPointF(18, 3));
             p.drawLine(QPointF(6, 21), QPointF(18, 21));
             p.setPen(QPen(kAccent, 2));
             Arrow(p, QPointF(12, 12), QPointF(12, 5));
             Arrow(p, QPointF(12, 12), QPointF(12, 19));
         }},
        {QStringLiteral("actUndoZoom"),
         [](QPainter &p) {
             QPainterPath path(QPointF(20, 18));
             path.cubicTo(QPointF(20, 6), QPointF(10, 6), QPointF(5, 10));
             p.drawPath(path);
             Arrow(p, QPointF(9, 10), QPointF(4, 10.5));
         }},
        {QStringLiteral("actZoomForward"),
         [](QPainter &p) {
             QPainterPath path(QPointF(4, 18));
             path.cubicTo(QPointF(4, 6), QPointF(14, 6), QPointF(19, 10));
             p.drawPath(path);
             Arrow(p, QPointF(15, 10), QPointF(20, 10.5));
         }},
        {QStringLiteral("actZoomMinus"), [](QPainter &p) { Magnifier(p, false); }},
        {QStringLiteral("actZoomPlus"), [](QPainter &p) { Magnifier(p, true); }},
        {QStringLiteral("actShowAllY"),
         [](QPainter &p) {
             Trend(p);
             p.setPen(QPen(kAccent, 2));
             Arrow(p, QPointF(20, 12), QPointF(20, 2));
             Arrow(p, QPointF(20, 12), QPointF(20, 22));
         }},
        {QStringLiteral("actShowAllX"),
         [](QPainter &p) {
             Trend(p);
             p.setPen(QPen(kAccent, 2));
             Arrow(p, QPointF(12, 21), QPointF(2, 21));
             Arrow(p, QPointF(12, 21), QPointF(22, 21));
         }},
        {QStringLiteral("actShowAllXY"),
         [](QPainter &p) {
             p.drawRect(QRectF(7, 7, 10, 10));
             p.setPen(QPen(kAccent, 2));
             Arrow(p, QPointF(6, 6), QPointF(2, 2));
             Arrow(p, QPointF(18, 6), QPointF(22, 2));
             Arrow(p, QPointF(6, 18), QPointF(2, 22));
             Arrow(p, QPointF(18, 18), QPointF(22, 22));
         }},
        {QStringLiteral("actPointsTrue"),
         [](QPainter &p) {
             Trend(p);
             p.setBrush(kAccent);
             for (const QPointF c :
                  {QPointF(4, 13), QPointF(9, 12), QPointF(15, 11), QPointF(20, 8)})
                 p.drawRect(QRectF(c.x() - 1.5, c.y() - 1.5, 3, 3));
         }},
        {QStringLiteral("actPointsFalse"), [](QPainter &p) { Trend(p); }},
        {QStringLiteral("actScanEndOn"),
         [](QPainter &p) {
             Trend(p);
             p.setPen(QPen(kAccent, 2));
             p.drawLine(QPointF(22, 2), QPointF(22, 22));
             Arrow(p, QPointF(12, 20), QPointF(20, 20));
         }},
        {QStringLiteral("actScanEndOff"),
         [](QPainter &p) {
             Trend(p);
             p.setPen(QPen(kAccent, 3));
             p.drawLine(QPointF(16, 15), QPointF(16, 22));
             p.drawLine(QPointF(21, 15), QPointF(21, 22));
         }},
        {QStringLiteral("actExportCsv"),
         [](QPainter &p) {
             p.drawRect(QRectF(3, 4, 18, 16));
             for (int r = 1; r < 4; ++r)
                 p.drawLine(QPointF(3, 4 + r * 4), QPointF(21, 4 + r * 4));
             p.drawLine(QPointF(10, 4), QPointF(10, 20));
         }},
        {QStringLiteral("actExportPng"),
         [](QPainter &p) {
             p.drawRect(QRectF(3, 4, 18, 16));
             p.setBrush(kAccent);
             p.drawEllipse(QPointF(16, 9), 2, 2);
             QPainterPath hills(QPointF(3, 20));
             hills.lineTo(9, 11);
             hills.lineTo(14, 17);
             hills.lineTo(17, 14);
             hills.lineTo(21, 20);
             p.setBrush(kInk);
             p.drawPath(hills);
         }},
        {QStringLiteral("actCopy"),
         [](QPainter &p) {
             p.drawRect(QRectF(3, 3, 12, 14));
             p.setBrush(Qt::white);
             p.drawRect(QRectF(9, 8, 12, 14));
         }},
        {QStringLiteral("actReportPreview"),
         [](QPainter &p) {
             p.drawRect(QRectF(6, 3, 12, 6));
             p.drawRect(QRectF(2, 9, 20, 8));
             p.setBrush(Qt::white);
             p.drawRect(QRectF(6, 14, 12, 8));
         }},
        {QStringLiteral("actClose"),
         [](QPainter &p) {
             p.setPen(QPen(kAccent, 3, Qt::SolidLine, Qt::RoundCap));
             p.drawLine(QPointF(6, 6), QPointF(18, 18));
             p.drawLine(QPointF(18, 6), QPointF(6, 18));
         }},
    };
    return drawings;
}

QPixmap Draw(const TDraw &draw, int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 24.0, size / 24.0);
    p.setPen(QPen(kInk, 1.6));
    p.setBrush(Qt::NoBrush);
    draw(p);
    return pixmap;
}

} // namespace

QIcon TrendIcon(const QString &action)
{
    const auto it = Drawings().find(action);
    if (it == Drawings().end())
        return {};
    QIcon icon;
    for (int size : {16, 24, 32, 48})
        icon.addPixmap(Draw(it->second, size));
    return icon;
}

} // namespace tals
