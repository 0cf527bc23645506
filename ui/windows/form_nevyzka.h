#pragma once

// The residual window "Невязка": the residual array in decibels relative to
// its largest value, over bins or millimetres, with the distance in the
// read-out.

#include "ui/windows/form_decibel_array.h"

namespace tals {

class TFormNevyzka : public TFormDecibelArray
{
    Q_OBJECT

public:
    TFormNevyzka(const Ttals352 &model, TRepGraph &report, QWidget *parent = nullptr);
    void Reload() override;
};

} // namespace tals
