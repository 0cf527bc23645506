#pragma once

// What the about window shows of the program itself: the version text and the
// build's date. Both come from the build (the project version and the time
// stamp of the configuration), not from the executable file.

#include "platform/format_settings.h"

#include <QDateTime>
#include <QString>

namespace tals {

// The program's version record: present when the build gave a version.
struct TVersionRecord
{
    bool Present = false;
    QString FileVersion; // "1.0.0.0"
    QString ProductName; // prefixed to the version when longer than one character
};

// The record of this build.
TVersionRecord BuildVersionRecord();

// "1.0.0.0" without a record; otherwise the file version ("0.0.0.0" when it is
// shorter than two characters), after the product name when there is one.
QString VersionText(const TVersionRecord &record);

// A version "1.2" or "1.2.3" as four numbers "1.2.3.0"; other texts as they are.
QString FourPartVersion(const QString &version);

// The build's time stamp; invalid when the build gave none.
QDateTime BuildTimeStamp();

// Local date and time in the short date and long time formats; empty for an
// invalid stamp.
QString BuildDateText(const QDateTime &stamp, const TFormatSettings &settings = FormatSettings());

} // namespace tals
