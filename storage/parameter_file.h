#pragma once

// Device parameter files: the whole configuration of the transducer model as
// an INI file PN<plant number>-<yyyymmdd>.ini in the device folder "351",
// "352" or "35x" beside the program.

#include "platform/date_time.h"

#include <QString>
#include <QtGlobal>

namespace tals {

class TDialogService;
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
// Why the file at path cannot be loaded as a parameter file, in Russian: it
// cannot be read, or it holds not one key a load reads. Empty when it can.
QString ParameterFileProblem(const Ttals352 &model, const QString &path);
// Reads the file at path into the model: missing keys keep the model's
// present values, values go through the model's setters. A value that does
// not convert or lies outside its range keeps the present value too and
// gives one line of the result, naming the caption and the key with the
// refused text and the accepted range. The signature is not read.
QStringList ReadParameterFile(Ttals352 &model, const QString &path);

// The save of "Сохранить параметры " and of the program's exit: asks about a
// missing plant number, an unknown device type and an existing file, then
// writes ParameterFolder()/ParameterFileName(PlantNumber, today). A failed
// write is reported by a message; it never stops the caller. The questions
// and messages go to the caller's dialogs.
TSaveResult SaveParameterFile(Ttals352 &model, TDialogService &dialogs, TDateTime today = Now());

// The load of "Загрузить параметры": for device types 20 and 21 the file
// chosen in the file dialog is checked first; a file that cannot be loaded is
// refused with a message naming it and leaves the model as it was. Otherwise
// the model is reset to its typical values and the file is read; refused
// values are listed in one message. Other device types and a cancelled
// dialog only reset the model. False when no file was read.
bool LoadParameterFile(Ttals352 &model, TDialogService &dialogs);

} // namespace tals
