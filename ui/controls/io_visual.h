#pragma once

#include "device/io_data.h"

#include <QLabel>
#include <QPointer>

namespace tals {

class TVHistogram;

// A reading in the number format, or NoDataText() when it is NaN or infinite.
QString ReadingText(double value, int precision, int digits);

// A value holder that redraws its controls whenever its output changes. The
// controls are not owned; one that is destroyed first is simply skipped.
class TIODoubleVisual : public TIODouble
{
public:
    TIODoubleVisual();

    // Redraws the bound controls from the holder.
    virtual void Refresh() = 0;

    QPointer<QLabel> TitleControl;
    QPointer<QLabel> DimensionControl;

protected:
    // The output in the number format with the description's precision and digits.
    QString ValueText() const;
    // Title, hint and value with its unit, one per line.
    QString HintText(const QString &valueText) const;
    void RefreshTitle();
    void RefreshDimension();
};

// Shows the value as a label's caption.
class TIODoubleLabel : public TIODoubleVisual
{
public:
    void Refresh() override;

    QPointer<QLabel> ValueControl;
};

// Shows the value as the caption of a sunken static text.
class TIODoubleStaticText : public TIODoubleVisual
{
public:
    void Refresh() override;

    QPointer<QLabel> ValueControl;
};

// Shows the value as the bar of a level gauge.
class TIODoubleVHistogram : public TIODoubleVisual
{
public:
    void Refresh() override;

    QPointer<TVHistogram> ValueControl;
};

} // namespace tals
