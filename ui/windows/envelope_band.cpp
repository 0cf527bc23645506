#include "ui/windows/envelope_band.h"

#include <algorithm>
#include <cmath>

namespace tals {

void TEnvelopeBand::draw(QCPPainter *painter)
{
    QCPGraph *low = channelFillGraph();
    QCPAxis *keys = keyAxis();
    QCPAxis *values = valueAxis();
    if (!low || !keys || !values || brush().style() == Qt::NoBrush)
        return;
    const auto high = data();
    const auto lows = low->data();
    if (high->isEmpty() || high->size() != lows->size())
        return;

    const QCPRange range = keys->range();
    auto begin = high->findBegin(range.lower);
    auto end = high->findEnd(range.upper);
    QVector<QRectF> rects;
    rects.reserve(end - begin);
    for (auto it = begin; it != end; ++it) {
        const double x = keys->coordToPixel(it->key);
        const auto next = it + 1;
        const double width =
            next == high->constEnd() ? 1.0 : std::max(1.0, keys->coordToPixel(next->key) - x);
        const double top = values->coordToPixel(it->value);
        const double bottom =
            values->coordToPixel((lows->constBegin() + (it - high->constBegin()))->value);
        if (std::abs(bottom - top) < 0.5)
            continue; // single readings: the line alone
        rects.append(QRectF(x, std::min(top, bottom), width, std::abs(bottom - top)));
    }
    if (rects.isEmpty())
        return;
    applyFillAntialiasingHint(painter);
    painter->setPen(Qt::NoPen);
    painter->setBrush(brush());
    painter->drawRects(rects.constData(), int(rects.size()));
}

} // namespace tals
