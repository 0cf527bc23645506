#pragma once

// The text of the array dumps: the raw signal, the spectrum with its
// decibels, and the device report that opens each dump series.

#include <QStringList>

namespace tals {

class Ttals352;

QStringList SignalDumpLines(Ttals352 &model);
QStringList SpectrumDumpLines(Ttals352 &model);
QStringList DeviceReportLines(Ttals352 &model);

} // namespace tals
