#include "platform/ini_file.h"

#include "platform/codepage.h"
#include "platform/number_format.h"
#include "platform/paths.h"
#include "platform/text_file.h"

#include <QFile>

#include <algorithm>

namespace tals {

namespace {

bool SameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool IsComment(const QString &trimmed)
{
    return trimmed.startsWith(QLatin1Char(';')) || trimmed.startsWith(QLatin1Char('#'));
}

// Names and values must not break the line structure of the file.
QString OneLine(QString text)
{
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

} // namespace

TIniFile::TIniFile(const QString &fileName) : m_fileName(FindPathNoCase(fileName))
{
    Load();
}

void TIniFile::Load()
{
    const QStringList lines = ReadTextLines(m_fileName);
    m_lines.assign(lines.cbegin(), lines.cend());
}

bool TIniFile::Apply(const Change &change)
{
    switch (change.kind) {
    case Change::Write:
        return ApplyWrite(change.section, change.key, change.value);
    case Change::DeleteKey:
        return ApplyDelete(change.section, change.key);
    case Change::EraseSection:
        return ApplyErase(change.section);
    }
    return false;
}

void TIniFile::Record(Change change)
{
    if (Apply(change))
        m_modified = true;
    m_changes.push_back(std::move(change));
}

TIniFile::~TIniFile()
{
    if (m_modified)
        UpdateFile();
}

bool TIniFile::ParseSection(const QString &line, QString &name)
{
    const QString t = line.trimmed();
    if (!t.startsWith(QLatin1Char('[')))
        return false;
    const qsizetype close = t.indexOf(QLatin1Char(']'));
    if (close < 0)
        return false;
    name = t.mid(1, close - 1).trimmed();
    return true;
}

bool TIniFile::ParseKey(const QString &line, QString &key, QString &value)
{
    const QString t = line.trimmed();
    if (t.isEmpty() || IsComment(t) || t.startsWith(QLatin1Char('[')))
        return false;
    const qsizetype eq = t.indexOf(QLatin1Char('='));
    if (eq <= 0)
        return false;
    key = t.left(eq).trimmed();
    if (key.isEmpty())
        return false;
    value = t.mid(eq + 1).trimmed();
    return true;
}

TIniFile::Range TIniFile::FindSection(const QString &section) const
{
    Range range;
    const QString wanted = section.trimmed();
    const int count = int(m_lines.size());
    for (int i = 0; i < count; ++i) {
        QString name;
        if (!ParseSection(m_lines[std::size_t(i)], name))
            continue;
        if (range.header >= 0) {
            range.end = i;
            return range;
        }
        if (SameName(name, wanted))
            range.header = i;
    }
    if (range.header >= 0)
        range.end = count;
    return range;
}

int TIniFile::FindKey(const Range &range, const QString &key) const
{
    if (range.header < 0)
        return -1;
    const QString wanted = key.trimmed();
    for (int i = range.header + 1; i < range.end; ++i) {
        QString name, value;
        if (ParseKey(m_lines[std::size_t(i)], name, value) && SameName(name, wanted))
            return i;
    }
    return -1;
}

QString TIniFile::ReadString(const QString &section, const QString &key, const QString &def) const
{
    const int line = FindKey(FindSection(section), key);
    if (line < 0)
        return def;
    QString name, value;
    ParseKey(m_lines[std::size_t(line)], name, value);
    return value;
}

int TIniFile::ReadInteger(const QString &section, const QString &key, int def) const
{
    return StrToIntDef(ReadString(section, key, QString()), def);
}

double TIniFile::ReadFloat(const QString &section, const QString &key, double def) const
{
    return StrToFloatDef(ReadString(section, key, QString()), def);
}

bool TIniFile::ReadBool(const QString &section, const QString &key, bool def) const
{
    int value = 0;
    if (!TryStrToInt(ReadString(section, key, QString()), value))
        return def;
    return value != 0;
}

bool TIniFile::ApplyWrite(const QString &section, const QString &key, const QString &value)
{
    const QString sectionName = OneLine(section).trimmed();
    const QString keyName = OneLine(key).trimmed();
    const QString text = OneLine(value);
    // Such names could never be read back.
    if (keyName.isEmpty() || keyName.contains(QLatin1Char('=')) ||
        sectionName.contains(QLatin1Char(']')))
        return false;
    const Range range = FindSection(sectionName);
    if (range.header < 0) {
        m_lines.push_back(QLatin1Char('[') + sectionName + QLatin1Char(']'));
        m_lines.push_back(keyName + QLatin1Char('=') + text);
        return true;
    }
    const int line = FindKey(range, keyName);
    if (line >= 0) {
        // The key keeps its place and its spelling in the file.
        QString name, old;
        ParseKey(m_lines[std::size_t(line)], name, old);
        const QString replacement = name + QLatin1Char('=') + text;
        if (m_lines[std::size_t(line)] == replacement)
            return false;
        m_lines[std::size_t(line)] = replacement;
        return true;
    }
    int insertAt = range.header + 1;
    for (int i = range.header + 1; i < range.end; ++i) {
        QString name, old;
        if (ParseKey(m_lines[std::size_t(i)], name, old))
            insertAt = i + 1;
    }
    m_lines.insert(m_lines.begin() + insertAt, keyName + QLatin1Char('=') + text);
    return true;
}

void TIniFile::WriteString(const QString &section, const QString &key, const QString &value)
{
    Record({Change::Write, section, key, value});
}

void TIniFile::WriteInteger(const QString &section, const QString &key, int value)
{
    WriteString(section, key, QString::number(value));
}

void TIniFile::WriteFloat(const QString &section, const QString &key, double value)
{
    WriteString(section, key, FloatToStr(value));
}

void TIniFile::WriteBool(const QString &section, const QString &key, bool value)
{
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

QStringList TIniFile::ReadSections() const
{
    QStringList names;
    for (const QString &line : m_lines) {
        QString name;
        if (ParseSection(line, name)) {
            const bool known = std::any_of(names.cbegin(), names.cend(),
                                           [&](const QString &n) { return SameName(n, name); });
            if (!known)
                names.append(name);
        }
    }
    return names;
}

QStringList TIniFile::ReadSection(const QString &section) const
{
    QStringList keys;
    const Range range = FindSection(section);
    for (int i = range.header + 1; range.header >= 0 && i < range.end; ++i) {
        QString name, value;
        if (!ParseKey(m_lines[std::size_t(i)], name, value))
            continue;
        const bool known = std::any_of(keys.cbegin(), keys.cend(),
                                       [&](const QString &k) { return SameName(k, name); });
        if (!known)
            keys.append(name);
    }
    return keys;
}

QStringList TIniFile::ReadSectionValues(const QString &section) const
{
    QStringList lines;
    for (const QString &key : ReadSection(section))
        lines.append(key + QLatin1Char('=') + ReadString(section, key, QString()));
    return lines;
}

bool TIniFile::SectionExists(const QString &section) const
{
    return FindSection(section).header >= 0;
}

bool TIniFile::ValueExists(const QString &section, const QString &key) const
{
    return FindKey(FindSection(section), key) >= 0;
}

bool TIniFile::ApplyErase(const QString &section)
{
    // Every occurrence of a duplicated section goes.
    bool changed = false;
    for (Range range = FindSection(section); range.header >= 0; range = FindSection(section)) {
        m_lines.erase(m_lines.begin() + range.header, m_lines.begin() + range.end);
        changed = true;
    }
    return changed;
}

bool TIniFile::ApplyDelete(const QString &section, const QString &key)
{
    const int line = FindKey(FindSection(section), key);
    if (line < 0)
        return false;
    m_lines.erase(m_lines.begin() + line);
    return true;
}

void TIniFile::EraseSection(const QString &section)
{
    Record({Change::EraseSection, section, QString(), QString()});
}

void TIniFile::DeleteKey(const QString &section, const QString &key)
{
    Record({Change::DeleteKey, section, key, QString()});
}

bool TIniFile::UpdateFile()
{
    if (!m_modified)
        return true;
    // Another object may have stored the file since it was read.
    Load();
    for (const Change &change : m_changes)
        Apply(change);
    const QStringList lines(m_lines.begin(), m_lines.end());
    if (!WriteTextLines(m_fileName, lines))
        return false;
    m_changes.clear();
    m_modified = false;
    return true;
}

} // namespace tals
