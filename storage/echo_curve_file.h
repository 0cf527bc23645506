#pragma once

// Echo curves on disk: the commissioning reference of a transducer, kept as
// "PN" + plant number + "-Reference.txt" in its device folder, and the series
// of the day's spectrum dumps read back as curves. Text in Windows-1251 with
// CR LF, the points in the columns of the spectrum dump.

#include "device/echo_curve.h"

#include <QString>

#include <vector>

namespace tals {

// A curve read from a file, or why it could not be (in Russian).
struct TCurveRead
{
    TEchoCurve Curve;
    QString Problem; // empty when read
    bool Ok() const { return Problem.isEmpty(); }
};

// "PN01234-Reference.txt".
QString ReferenceFileName(quint16 plantNumber);
// The reference of the plant number in the device folder, found without
// regard to letter case.
QString ReferenceFilePath(int deviceTypeNumber, quint16 plantNumber);

// The lines of a reference file.
QStringList ReferenceCurveLines(const TEchoCurve &curve);
// Writes the file whole or not at all (an earlier one stays intact); the
// problem in Russian, empty when written.
QString WriteReferenceCurve(const QString &path, const TEchoCurve &curve);
// Reads a reference file; a missing, foreign or damaged file gives a problem.
TCurveRead ReadReferenceCurve(const QString &path);

// The spectrum dump at path as a curve (the time its file was written, the
// scale given); a dump without points or with damaged lines gives a problem.
TCurveRead ReadSpectrumDump(const QString &path, const TSweepScale &scale);
// Every spectrum dump of the folder (Spectrum_*_NNNN.txt with NNNN from 0001)
// in the order of their series and numbers; the distance of each is taken
// from the signal dump of the same series and number written shortly before
// it. Damaged dumps are left out.
std::vector<TEchoCurve> ReadSpectrumDumpSeries(const QString &folder, const TSweepScale &scale);

} // namespace tals
