#pragma once

// Conversion between Unicode text and the Windows-1251 code page in which
// every text and INI file of the program is stored.

#include <QByteArray>
#include <QString>

namespace tals {

// Unicode -> Windows-1251; characters the code page lacks become '?'.
QByteArray ToCp1251(const QString &text);
// Windows-1251 -> Unicode (every byte has a character).
QString FromCp1251(const QByteArray &bytes);
// Decodes the contents of a text file: UTF-8 when it starts with a UTF-8
// byte order mark or is valid UTF-8 holding non-ASCII characters (files
// edited by hand on Linux), otherwise Windows-1251.
QString DecodeTextFile(const QByteArray &bytes);

} // namespace tals
