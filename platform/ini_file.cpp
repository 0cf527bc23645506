#include "platform/ini_file.h"

namespace tals {

TIniFile::TIniFile(const QString &fileName) : m_fileName(fileName) {}
TIniFile::~TIniFile() = default;
QString TIniFile::ReadString(const QString &, const QString &, const QString &def) const
{
    return def;
}
int TIniFile::ReadInteger(const QString &, const QString &, int def) const
{
    return def;
}
double TIniFile::ReadFloat(const QString &, const QString &, double def) const
{
    return def;
}
bool TIniFile::ReadBool(const QString &, const QString &, bool def) const
{
    return def;
}
void TIniFile::WriteString(const QString &, const QString &, const QString &) {}
void TIniFile::WriteInteger(const QString &, const QString &, int) {}
void TIniFile::WriteFloat(const QString &, const QString &, double) {}
void TIniFile::WriteBool(const QString &, const QString &, bool) {}
QStringList TIniFile::ReadSections() const
{
    return {};
}
QStringList TIniFile::ReadSection(const QString &) const
{
    return {};
}
QStringList TIniFile::ReadSectionValues(const QString &) const
{
    return {};
}
bool TIniFile::SectionExists(const QString &) const
{
    return false;
}
bool TIniFile::ValueExists(const QString &, const QString &) const
{
    return false;
}
void TIniFile::EraseSection(const QString &) {}
void TIniFile::DeleteKey(const QString &, const QString &) {}
bool TIniFile::UpdateFile()
{
    return true;
}
TIniFile::Range TIniFile::FindSection(const QString &) const
{
    return {};
}
int TIniFile::FindKey(const Range &, const QString &) const
{
    return -1;
}
bool TIniFile::ParseSection(const QString &, QString &)
{
    return false;
}
bool TIniFile::ParseKey(const QString &, QString &, QString &)
{
    return false;
}

} // namespace tals
