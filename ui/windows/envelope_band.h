#pragma once

// The shaded minimum .. maximum band behind a trend line. It holds the
// maxima; the minima are the graph set with setChannelFillGraph, point for
// point with the same keys. Each point is drawn as a rectangle up to the
// next key, so that a band of a thousand columns costs a thousand rectangle
// fills instead of one polygon with a thousand spikes.

#include <qcustomplot.h>

namespace tals {

class TEnvelopeBand : public QCPGraph
{
public:
    TEnvelopeBand(QCPAxis *keyAxis, QCPAxis *valueAxis) : QCPGraph(keyAxis, valueAxis) {}

protected:
    void draw(QCPPainter *painter) override;
};

} // namespace tals
