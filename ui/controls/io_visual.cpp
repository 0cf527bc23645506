#include "ui/controls/io_visual.h"

#include "platform/number_format.h"
#include "ui/controls/v_histogram.h"

#include <cmath>

namespace tals {

namespace {

// A control whose "showHint" property is false keeps its hint unshown.
void SetHint(QWidget *control, const QString &hint)
{
    control->setProperty("hint", hint);
    const QVariant show = control->property("showHint");
    if (!show.isValid() || show.toBool())
        control->setToolTip(hint);
}

void ShowValue(QLabel *control, const QString &text, const QString &hint)
{
    if (!control)
        return;
    SetHint(control, hint);
    control->setText(text);
}

} // namespace

TIODoubleVisual::TIODoubleVisual()
{
    OnOutputChange = [this](TIOData *) { Refresh(); };
}

QString ReadingText(double value, int precision, int digits)
{
    if (!std::isfinite(value))
        return NoDataText();
    return FloatToStrF(value, ffNumber, precision, digits);
}

QString TIODoubleVisual::ValueText() const
{
    const TDescriptionOfDouble &d = Description();
    return ReadingText(Output().ToDouble(), d.Precision, d.Digits);
}

QString TIODoubleVisual::HintText(const QString &valueText) const
{
    const TDescriptionOfDouble &d = Description();
    const QChar cr(13);
    return d.Title + cr + d.Hint + cr + valueText + QLatin1Char(' ') + d.Dimension;
}

void TIODoubleVisual::RefreshTitle()
{
    if (TitleControl)
        TitleControl->setText(Description().Title);
}

void TIODoubleVisual::RefreshDimension()
{
    if (DimensionControl)
        DimensionControl->setText(Description().Dimension);
}

void TIODoubleLabel::Refresh()
{
    RefreshTitle();
    if (ValueControl) {
        const QString text = ValueText();
        ShowValue(ValueControl, text, HintText(text));
    }
    RefreshDimension();
}

void TIODoubleStaticText::Refresh()
{
    RefreshTitle();
    if (ValueControl) {
        const QString text = ValueText();
        ShowValue(ValueControl, text, HintText(text));
    }
    RefreshDimension();
}

void TIODoubleVHistogram::Refresh()
{
    RefreshTitle();
    if (ValueControl) {
        SetHint(ValueControl, HintText(ValueText()));
        ValueControl->SetValue(Output().ToDouble());
    }
    RefreshDimension();
}

} // namespace tals
