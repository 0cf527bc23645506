#pragma once

// Russian texts of the system's error numbers, for every message that shows
// why a file, folder or port operation failed.

#include <QString>

namespace tals {

// The reason for errno value err in Russian ("диск заполнен", "нет прав
// доступа"); "ошибка N" for a number without a text of its own.
QString SystemErrorText(int err);

} // namespace tals
