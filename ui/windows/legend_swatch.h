#pragma once

// A legend entry that belongs to no plottable: a line and/or a filled box
// and a text, for the marks of the echo curve.

#include "ui/windows/echo_markers_layer.h"

#include <qcustomplot.h>

namespace tals {

class TLegendSwatch : public QCPAbstractLegendItem
{
    Q_OBJECT

public:
    TLegendSwatch(QCPLegend *legend, const TLegendEntry &entry);
    QString Text() const { return m_entry.Text; }

protected:
    void draw(QCPPainter *painter) override;
    QSize minimumOuterSizeHint() const override;

private:
    QRect TextRect(const QFontMetrics &metrics) const;

    TLegendEntry m_entry;
};

} // namespace tals
