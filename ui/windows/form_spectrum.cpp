#include "ui/windows/form_spectrum.h"

#include "device/tals352.h"
#include "ui/reports/rep_graph.h"

#include <qcustomplot.h>

namespace tals {

namespace {

const TFormArray::TLayout kSpectrum{"FormSpectrum", "Спектр", 512, 50, 0, true, "Спектр", {100}};
const TFormArray::TLayout kNevyzka{"FormNevyzka", "Невязка", 512, 50, 0, false, "Невязка", {100}};

} // namespace

// ---- spectrum ----

TFormSpectrum::TFormSpectrum(const Ttals352 &model, TRepGraph &report, QWidget *parent)
    : TFormArray(kSpectrum, model, report, parent)
{
    Reload();
}

void TFormSpectrum::Reload()
{
    QVector<double> x, y;
    DecibelPoints(Model().SpectrumArray.data(), Ttals352::kSpectrumSize, x, y);
    SetPoints(x, y);
}

QString TFormSpectrum::ReadoutText(double x, double y) const
{
    return SpectrumReadout(x, y, Model().KrPer());
}

void TFormSpectrum::AdjustReport(TRepGraph &report)
{
    // Bin numbers with a non-breaking space between the thousands ("# ###").
    QLocale locale(QLocale::Russian, QLocale::Russia);
    locale.setNumberOptions(QLocale::DefaultNumberOptions);
    report.Chart()->setLocale(locale);
    report.Chart()->xAxis->setNumberFormat(QStringLiteral("f"));
    report.Chart()->xAxis->setNumberPrecision(0);
}

// ---- residual ----

TFormNevyzka::TFormNevyzka(const Ttals352 &model, TRepGraph &report, QWidget *parent)
    : TFormArray(kNevyzka, model, report, parent)
{
    Reload();
}

void TFormNevyzka::Reload()
{
    QVector<double> x, y;
    DecibelPoints(Model().ResidualArray.data(), Ttals352::kSpectrumSize, x, y);
    SetPoints(x, y);
}

QString TFormNevyzka::ReadoutText(double x, double y) const
{
    return SpectrumReadout(x, y, Model().KrPer());
}

} // namespace tals
