#pragma once

// INI files as every configuration file of the program uses them: sections
// in square brackets, one key=value per line, Windows-1251 with CR LF.
//
// - Sections and keys are matched without regard to letter case (Cyrillic
//   included); the first occurrence of a duplicated section or key counts.
// - A write replaces the key's line where it stands and keeps every other
//   line, comment and section. A new key goes after the last key line of its
//   section (before trailing blank lines and comments); a new section goes to
//   the end of the file.
// - Values are read trimmed of surrounding blanks. Lines that are neither a
//   section, a key=value pair, a comment (";" or "#") nor blank are skipped.
// - The file's path is found without regard to case. A missing file reads as
//   empty; writes are kept in memory and stored by UpdateFile(), or by the
//   destructor when something changed, through a temporary file beside the
//   target that is flushed to disk and renamed over it (folders created).
//   Storing re-reads the file and replays this object's changes on it, so
//   two objects open on the same file do not undo each other's keys.

#include <QString>
#include <QStringList>

#include <vector>

namespace tals {

class TIniFile
{
public:
    explicit TIniFile(const QString &fileName);
    ~TIniFile();
    TIniFile(const TIniFile &) = delete;
    TIniFile &operator=(const TIniFile &) = delete;

    // The path in use (after the case-insensitive lookup).
    QString FileName() const { return m_fileName; }

    // The trimmed value, or def when the key is missing.
    QString ReadString(const QString &section, const QString &key, const QString &def) const;
    // Decimal, or hexadecimal with a "0x" or "$" prefix; def when missing or not a number.
    int ReadInteger(const QString &section, const QString &key, int def) const;
    // A real in the locale's decimal separator; def when missing or not a number.
    double ReadFloat(const QString &section, const QString &key, double def) const;
    // "0" false, any other integer true; def when missing or not an integer.
    bool ReadBool(const QString &section, const QString &key, bool def) const;

    // Line breaks in value are replaced by blanks.
    void WriteString(const QString &section, const QString &key, const QString &value);
    void WriteInteger(const QString &section, const QString &key, int value);
    // General format with 15 significant digits and the locale's separator.
    void WriteFloat(const QString &section, const QString &key, double value);
    // 1 or 0.
    void WriteBool(const QString &section, const QString &key, bool value);

    // The names of all sections, in file order.
    QStringList ReadSections() const;
    // The key names of the section, in file order.
    QStringList ReadSection(const QString &section) const;
    // The section's lines as "key=value" (value trimmed).
    QStringList ReadSectionValues(const QString &section) const;
    bool SectionExists(const QString &section) const;
    bool ValueExists(const QString &section, const QString &key) const;
    // Removes the section's header and all its lines.
    void EraseSection(const QString &section);
    void DeleteKey(const QString &section, const QString &key);

    // Stores pending changes; true when nothing was pending or the file was
    // written, false when writing failed (the old file is then intact).
    bool UpdateFile();
    // Whether there are changes not yet stored.
    bool Modified() const { return m_modified; }

private:
    struct Range
    {
        int header = -1; // line of "[section]"
        int end = -1;    // one past the section's last line
    };
    // A change as asked for, replayed on the file's current contents when stored.
    struct Change
    {
        enum Kind { Write, DeleteKey, EraseSection } kind;
        QString section;
        QString key;
        QString value;
    };
    void Load();
    bool Apply(const Change &change);
    bool ApplyWrite(const QString &section, const QString &key, const QString &value);
    bool ApplyErase(const QString &section);
    bool ApplyDelete(const QString &section, const QString &key);
    void Record(Change change);
    Range FindSection(const QString &section) const;
    int FindKey(const Range &range, const QString &key) const;
    static bool ParseSection(const QString &line, QString &name);
    static bool ParseKey(const QString &line, QString &key, QString &value);

    QString m_fileName;
    std::vector<QString> m_lines;
    std::vector<Change> m_changes;
    bool m_modified = false;
};

} // namespace tals
