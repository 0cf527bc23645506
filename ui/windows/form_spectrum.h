#pragma once

// The spectrum window "Спектр" and the residual window "Невязка": the array in
// decibels relative to its largest value, with the distance of the point in
// the read-out.

#include "ui/windows/form_array.h"

namespace tals {

class TFormSpectrum : public TFormArray
{
    Q_OBJECT

public:
    TFormSpectrum(const Ttals352 &model, TRepGraph &report, QWidget *parent = nullptr);
    void Reload() override;
    QString ReadoutText(double x, double y) const override;

protected:
    void AdjustReport(TRepGraph &report) override;
};

class TFormNevyzka : public TFormArray
{
    Q_OBJECT

public:
    TFormNevyzka(const Ttals352 &model, TRepGraph &report, QWidget *parent = nullptr);
    void Reload() override;
    QString ReadoutText(double x, double y) const override;
};

} // namespace tals
