#include "ui/windows/form_signal.h"

#include "device/tals352.h"

namespace tals {

namespace {

const TFormArray::TLayout kSignal{"FormSignal", "Сигнал", 2060,     100,
                                  20,           false,    "Сигнал", {300, 50}};

} // namespace

TFormSignal::TFormSignal(const Ttals352 &model, TRepGraph &report, QWidget *parent)
    : TFormArray(kSignal, model, report, parent)
{
    Reload();
}

void TFormSignal::Reload()
{
    QVector<double> x, y;
    x.reserve(Ttals352::kSignalSize);
    y.reserve(Ttals352::kSignalSize);
    for (int i = 0; i < Ttals352::kSignalSize; ++i) {
        x << i;
        y << Model().SignalArray[std::size_t(i)];
    }
    SetPoints(x, y);
}

QString TFormSignal::ReadoutText(double x, double y) const
{
    return SignalReadout(x, y);
}

} // namespace tals
