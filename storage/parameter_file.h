#pragma once

// Device parameter files: the whole configuration of the transducer model as
// an INI file PN<plant number>-<yyyymmdd>.ini in the device folder "351",
// "352" or "35x" beside the program.

#include "platform/date_time.h"

#include <QString>
#include <QtGlobal>

namespace tals {

class Ttals352;

enum class TSaveResult {
    Saved,
    Cancelled, // a question was answered No
    Failed,    // the file could not be written (already reported by a message)
};

// ProgramDir()/351 for device type number 20, /352 for 21, /35x otherwise; an
// existing folder is found without regard to case.
QString ParameterFolder(int deviceTypeNumber);
// "PN" + the plant number as five digits + "-" + yyyymmdd + ".ini".
QString ParameterFileName(quint16 plantNumber, TDateTime date);

// Writes every section and key of the model to the file at path, keeping the
// file's other sections and keys; the file is replaced only once completely
// written. False when it could not be written (the earlier file is then intact).
bool WriteParameterFile(Ttals352 &model, const QString &path);
// Reads the file at path into the model: missing or unreadable keys keep the
// model's present values, values go through the model's setters. The
// signature is not read.
void ReadParameterFile(Ttals352 &model, const QString &path);

// The save of "Сохранить параметры " and of the program's exit: asks about a
// missing plant number, an unknown device type and an existing file, then
// writes ParameterFolder()/ParameterFileName(PlantNumber, today). A failed
// write is reported by a message; it never stops the caller.
TSaveResult SaveParameterFile(Ttals352 &model, TDateTime today = Now());

// The load of "Загрузить параметры": resets the model to its typical values,
// then, for device types 20 and 21, reads the file chosen in the file dialog.
// False when no file was read.
bool LoadParameterFile(Ttals352 &model);

} // namespace tals
