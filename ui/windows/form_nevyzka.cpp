#include "ui/windows/form_nevyzka.h"

#include "device/tals352.h"

namespace tals {

namespace {

const TFormArray::TLayout kNevyzka{"FormNevyzka", "Невязка", 512,       50, 0,
                                   false,         "Невязка", {100, 150}};

} // namespace

TFormNevyzka::TFormNevyzka(const Ttals352 &model, TRepGraph &report, QWidget *parent)
    : TFormDecibelArray(kNevyzka, model, report, parent)
{
    Reload();
}

void TFormNevyzka::Reload()
{
    TEchoCurve curve = EchoCurveOf(Model(), Now());
    curve.Values.assign(Model().ResidualArray.begin(), Model().ResidualArray.end());
    ShowCurve(std::move(curve));
}

} // namespace tals
