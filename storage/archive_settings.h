#pragma once

// The archive settings in INI/bde.ini under the start directory, section "BDE".

#include "platform/paths.h"

#include <QString>

namespace tals {

struct TArchiveSettings
{
    QString dbAlias = QStringLiteral("Vardex"); // kept in the file, not used by the archive
    QString dbPath;                             // the archive root folder
    // Retention: -1 when the key is not in the file (the caller's default
    // applies); KeepDays 0 keeps every day, MinFreeMB 0 checks no free space.
    int KeepDays = -1;
    int MinFreeMB = -1;
};

// Reads INI/bde.ini under startDir. A blank "dbPath" becomes startDir/DATA and
// both keys are written back (the file is created when missing).
TArchiveSettings LoadArchiveSettings(const QString &startDir = StartDir());

// Writes both keys (and the retention keys that are set) to INI/bde.ini under startDir; false when
// the file could not be written.
bool SaveArchiveSettings(const TArchiveSettings &settings, const QString &startDir = StartDir());

} // namespace tals
