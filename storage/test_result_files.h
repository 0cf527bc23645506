#pragma once

// The result files of the error tests in the program's folder: TestDistances.txt
// of the measurement error test and "TestTube" + tube description + ".txt" of
// the tube error test. Windows-1251 text with CR LF line ends.

#include "device/test_tube.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace tals {

// One recorded step of the measurement error test.
struct TDistanceErrorRow
{
    double Distance = 0;
    double Raw = 0;      // error without processing
    double Filtered = 0; // error with processing
};

// The header and one "%10.3f*%11.3f*%11.3f" line per row; rows holding a value
// that is not a finite number are skipped.
QStringList TestDistancesLines(const std::vector<TDistanceErrorRow> &rows);
// programDir/TestDistances.txt, the existing file of that name in any case.
QString TestDistancesPath(const QString &programDir);

// The description made safe as a part of a file name: path separators,
// control characters and the characters file systems refuse become "_",
// leading and trailing blanks and trailing dots go, at most 100 characters
// and short enough that the file's name keeps within the file system's 255
// bytes (UTF-8). Cyrillic and other letters stay.
QString SafeFileNamePart(const QString &text);
// "Файл не записан\r" + path + "\r" + the reason for errno error.
QString FileNotWrittenText(const QString &path, int error);
// programDir/"TestTube" + safe description + ".txt".
QString TestTubePath(const QString &programDir, const QString &description);
// The header and one "%11.3f*%11.3f*%11.3f" line per point (set distance,
// measured distance, error at the same position).
QStringList TestTubeLines(const std::vector<TTubePoint> &measured,
                          const std::vector<TTubePoint> &errors);

} // namespace tals
