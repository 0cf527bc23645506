#include "device/mmp_calibration.h"

#include "device/fft_calibration.h"
#include "device/tals352.h"
#include "platform/number_format.h"

#include <cmath>
#include <numbers>

namespace tals {

TMmpWavelengths MmpWavelengths(double freqNes, double freqDev, double dpg, double radius)
{
    TMmpWavelengths w;
    w.Gas = kLightSpeedMm / std::sqrt(dpg) / (freqNes * 1e6 + freqDev * 1e6 / 2);
    w.Critical = 3.42 * radius;
    const double ratio = w.Gas / w.Critical;
    w.Guided = w.Gas / std::sqrt(1 - ratio * ratio);
    return w;
}

std::vector<double> MmpPhaseErrors(const TCalibrTable &table, int count, double guided)
{
    std::vector<double> errors;
    const int n = CalibrPointCount(count);
    for (int i = 0; i < n; ++i) {
        const TCalibrPoint &p = table.Points[std::size_t(i)];
        errors.push_back(4 * std::numbers::pi * (p.Measured - p.SetValue) / guided);
    }
    return errors;
}

TMmpLine MmpPhaseLine(const TCalibrTable &table, int count, double guided)
{
    TMmpLine line;
    const int n = CalibrPointCount(count);
    if (n < 2)
        return line;
    const std::vector<double> r = MmpPhaseErrors(table, n, guided);
    double sumS = 0, sumS2 = 0, sumR = 0, sumSR = 0;
    for (int i = 0; i < n; ++i) {
        const double s = table.Points[std::size_t(i)].SetValue;
        sumS += s;
        sumS2 += s * s;
        sumR += r[std::size_t(i)];
        sumSR += s * r[std::size_t(i)];
    }
    const double denominator = sumS * sumS - n * sumS2;
    if (denominator == 0)
        return line;
    const double k = (sumR * sumS - n * sumSR) / denominator;
    const double b = (sumR - sumS * k) / n;
    if (std::isfinite(k) && std::isfinite(b))
        line = {k, b};
    return line;
}

namespace {

TMmpResult CorrectedCoefficients(const Ttals352 &model, double slope, double offset)
{
    const TMmpWavelengths w =
        MmpWavelengths(model.FreqNes(), model.FreqDev(), model.DPG(), model.Radius());
    const TMmpLine line = MmpPhaseLine(model.CalibrTableMMP, model.CalibrModeMMP(), w.Guided);
    return {slope + line.Slope, offset + line.Offset};
}

} // namespace

TMmpResult ComputeMmpCoefficients(const Ttals352 &model)
{
    return CorrectedCoefficients(model, model.KrFChH(), model.SmFChH());
}

TMmpComputation ComputeMmpCalibration(Ttals352 &model)
{
    TMmpComputation c;
    TCalibrFitBase &base = model.MmpFitBase;
    c.Repeated = base.Covers(model.CalibrTableMMP, model.CalibrModeMMP());
    if (!c.Repeated)
        base = {true, model.CalibrTableMMP, model.CalibrModeMMP(), model.KrFChH(), model.SmFChH()};
    c.Result = CorrectedCoefficients(model, base.Slope, base.Offset);
    c.Refusal =
        CalibrRangeRefusal({{QStringLiteral("Крутизна ФЧХ"), c.Result.KrFChH,
                             model.PropertyMin(TProp::KrFChH), model.PropertyMax(TProp::KrFChH)},
                            {QStringLiteral("Смещение ФЧХ"), c.Result.SmFChH,
                             model.PropertyMin(TProp::SmFChH), model.PropertyMax(TProp::SmFChH)}});
    if (!c.Refusal.isEmpty())
        return c;
    model.SetKrFChH(c.Result.KrFChH);
    model.SetSmFChH(c.Result.SmFChH);
    c.Applied = true;
    return c;
}

bool MmpCoefficientsTypical(const Ttals352 &model)
{
    return std::fabs(model.KrFChH() - kTypicalKrFChH) <= 1e-7 &&
           std::fabs(model.SmFChH() - kTypicalSmFChH) <= 1e-7;
}

QString MmpNotTypicalQuestion(double krFChH, double smFChH)
{
    return QStringLiteral("Значение крутизны или смещения ФЧХ отличаются от типовых!!!\r\n\r\n"
                          "Крутизна ФЧХ\r\nТиповое значение: ") +
           FloatToStr(kTypicalKrFChH) + QStringLiteral("\r\n") +
           QStringLiteral("Текущее значение: ") + FloatToStr(krFChH) + QStringLiteral("\r\n\r\n") +
           QStringLiteral("Смещение ФЧХ: ") + QStringLiteral("\r\n") +
           QStringLiteral("Типовое значение: ") + FloatToStr(kTypicalSmFChH) +
           QStringLiteral("\r\n") + QStringLiteral("Текущее значение: ") + FloatToStr(smFChH) +
           QStringLiteral("\r\n\r\n") + QStringLiteral("Продолжить вычисление?");
}

QString MmpNewValuesMessage(const TMmpResult &result)
{
    return QStringLiteral("Новые значения\r\nКрутизна ФЧХ: ") + FloatToStr(result.KrFChH) +
           QStringLiteral("\r\n") + QStringLiteral("Смещение ФЧХ: ") + FloatToStr(result.SmFChH);
}

QString MmpTypicalValuesQuestion()
{
    return QStringLiteral("Установить типовые значения:\r\nКрутизны и смещения ФЧХ,\r\n"
                          "Таблицы свободного пространства?");
}

void SetMmpTypicalValues(Ttals352 &model)
{
    model.SetKrFChH(kTypicalKrFChH);
    model.SetSmFChH(kTypicalSmFChH);
    Ttals352::ResetCalibrTable(model.CalibrTableMMP, 5);
}

int CorrectMmpTable(TCalibrTable &table, int count)
{
    const int n = CalibrPointCount(count);
    int above = 0;
    int notAbove = 0;
    for (int i = 0; i < n; ++i) {
        const TCalibrPoint &p = table.Points[std::size_t(i)];
        if (p.Measured > p.SetValue)
            ++above;
        else
            ++notAbove;
    }
    int moved = 0;
    for (int i = 0; i < n; ++i) {
        TCalibrPoint &p = table.Points[std::size_t(i)];
        if (notAbove < above && p.Measured < p.SetValue) {
            p.Measured += kMmpCorrectionStep;
            ++moved;
        } else if (notAbove >= above && p.Measured > p.SetValue) {
            p.Measured -= kMmpCorrectionStep;
            ++moved;
        }
    }
    return moved;
}

QString MmpMeasuredText(double set, double measured)
{
    const double difference = measured - set;
    QString sign;
    if (difference < 0)
        sign = QStringLiteral("-");
    else if (difference > 0)
        sign = QStringLiteral("+");
    return CalibrMeasuredText(measured) + QStringLiteral(" [") + sign +
           FloatToStrF(std::fabs(difference), ffFixed, 9, 1) + QStringLiteral("]");
}

} // namespace tals
