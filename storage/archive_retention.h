#pragma once

// Keeps the measurement archive within its bounds: day folders older than
// KeepDays go, and while the disk has less than MinFreeMB free the oldest day
// folders go first. Today's folder is never deleted, so recording the newest
// readings goes on whatever the old ones took. Each deletion is one line of
// the fault journal.

#include "storage/archive_settings.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace tals {

struct TRetentionPolicy
{
    int KeepDays = 0;     // 0: keep every day
    qint64 MinFreeMB = 0; // 0: no free-space check

    bool Active() const { return KeepDays > 0 || MinFreeMB > 0; }
};

// The policy bde.ini gives; a key not in the file takes the caller's
// default (the program keeps everything, the station keeps 500 MB free).
TRetentionPolicy RetentionPolicyOf(const TArchiveSettings &settings, int defaultKeepDays,
                                   int defaultMinFreeMB);

// Free bytes on the file system of folder, -1 when unknown.
using TFreeSpaceFunction = std::function<qint64(const QString &folder)>;
qint64 FreeDiskBytes(const QString &folder);

class TArchiveRetention
{
public:
    TArchiveRetention(const QString &root, TRetentionPolicy policy);

    const TRetentionPolicy &Policy() const { return m_policy; }
    // The free-space check (FreeDiskBytes unless set; tests fill the disk).
    void SetFreeSpaceFunction(TFreeSpaceFunction function) { m_freeSpace = std::move(function); }
    // Where deletion lines go (the fault journal BlackBox.txt unless set).
    void SetJournal(std::function<void(const QString &)> journal)
    {
        m_journal = std::move(journal);
    }

    // The dates of the day folders <root>/yyyy/mm/dd, oldest first.
    QList<QDate> DayFolders() const;
    // Deletes what the policy allows no more; returns the deleted folders.
    QStringList Enforce(const QDate &today);

private:
    bool RemoveDay(const QDate &day, const QString &why, QStringList &removed);
    qint64 FreeMB() const;

    QString m_root;
    TRetentionPolicy m_policy;
    TFreeSpaceFunction m_freeSpace;
    std::function<void(const QString &)> m_journal;
};

} // namespace tals
