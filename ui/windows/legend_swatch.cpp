#include "ui/windows/legend_swatch.h"

namespace tals {

TLegendSwatch::TLegendSwatch(QCPLegend *legend, const TLegendEntry &entry)
    : QCPAbstractLegendItem(legend), m_entry(entry)
{
    setSelectable(false);
}

QRect TLegendSwatch::TextRect(const QFontMetrics &metrics) const
{
    return metrics.boundingRect(0, 0, 0, mParentLegend->iconSize().height(), Qt::TextDontClip,
                                m_entry.Text);
}

void TLegendSwatch::draw(QCPPainter *painter)
{
    painter->setFont(mFont);
    painter->setPen(QPen(mTextColor));
    const QSize icon = mParentLegend->iconSize();
    const QRect text = TextRect(painter->fontMetrics());
    const int height = std::max(text.height(), icon.height());
    const QRect iconRect(mRect.topLeft() + QPoint(0, (height - icon.height()) / 2), icon);
    painter->drawText(mRect.x() + icon.width() + mParentLegend->iconTextPadding(), mRect.y(),
                      text.width(), height, Qt::TextDontClip, m_entry.Text);
    painter->save();
    painter->setClipRect(iconRect);
    if (m_entry.Brush.style() != Qt::NoBrush)
        painter->fillRect(iconRect.adjusted(1, 1, -1, -1), m_entry.Brush);
    if (m_entry.Pen.style() != Qt::NoPen) {
        painter->setPen(m_entry.Pen);
        if (m_entry.Brush.style() != Qt::NoBrush) {
            painter->setBrush(Qt::NoBrush);
            painter->drawRect(iconRect.adjusted(1, 1, -2, -2));
        } else {
            const int y = iconRect.center().y();
            painter->drawLine(QLineF(iconRect.left(), y, iconRect.right() + 1, y));
        }
    }
    painter->restore();
}

QSize TLegendSwatch::minimumOuterSizeHint() const
{
    const QSize icon = mParentLegend->iconSize();
    const QRect text = TextRect(QFontMetrics(mFont));
    return QSize(icon.width() + mParentLegend->iconTextPadding() + text.width() + mMargins.left() +
                     mMargins.right(),
                 std::max(text.height(), icon.height()) + mMargins.top() + mMargins.bottom());
}

} // namespace tals
