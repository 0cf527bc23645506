#pragma once

// Echo curves as a CSV file for spreadsheets: the columns "Точка",
// "Расстояние, мм" and one of decibels per curve, one row per bin of the
// first curve, the further curves taken at the same distances; values with a
// decimal point, UTF-8 with a byte-order mark and CR LF line ends, as the
// trend export writes them.

#include "device/echo_curve.h"

#include <QByteArray>
#include <QString>

#include <vector>

namespace tals {

struct TCsvCurve
{
    QString Title;
    const TEchoCurve *Curve = nullptr;
};

// The first curve gives the bins and distances; empty without curves.
QByteArray EchoCurvesCsv(const std::vector<TCsvCurve> &curves);

} // namespace tals
