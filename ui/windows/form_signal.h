#pragma once

// The signal window "Сигнал": the raw beat signal samples as read.

#include "ui/windows/form_array.h"

namespace tals {

class TFormSignal : public TFormArray
{
    Q_OBJECT

public:
    TFormSignal(const Ttals352 &model, TRepGraph &report, QWidget *parent = nullptr);
    void Reload() override;
    QString ReadoutText(double x, double y) const override;
};

} // namespace tals
