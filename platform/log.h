#pragma once

// A text journal: each line is the time stamp "dd.mm.yyyy hh:nn:ss,zzz", a
// blank and the text, appended by opening, writing and closing the file
// (Windows-1251, CR LF). Missing folders are created; write errors are
// swallowed. Safe to use from several threads.

#include <QMutex>
#include <QString>

namespace tals {

class TLog
{
public:
    explicit TLog(const QString &fileName = QStringLiteral("log.txt"));

    QString FileName() const;
    // Sets the file unless name is empty.
    void SetFileName(const QString &name);
    // Copies the file name of another journal.
    void Assign(const TLog &other);
    // Appends one stamped line with the current time.
    void Add(const QString &text);
    void WriteLine(const QString &text) { Add(text); }

private:
    mutable QMutex m_mutex;
    QString m_fileName;
};

} // namespace tals
