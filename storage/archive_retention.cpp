#include "storage/archive_retention.h"

#include "device/answer_parser.h"
#include "platform/log.h"

#include <QDir>
#include <QStorageInfo>

namespace tals {

namespace {

constexpr qint64 kMB = 1024 * 1024;

// The numbered subfolders of dir ("2026", "12", "08") within [min, max].
QList<int> NumberedFolders(const QString &dir, int digits, int min, int max)
{
    QList<int> numbers;
    const QStringList names = QDir(dir).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &name : names) {
        bool ok = false;
        const int n = name.toInt(&ok);
        if (ok && name.size() == digits && n >= min && n <= max)
            numbers << n;
    }
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

QString Two(int n)
{
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

} // namespace

TRetentionPolicy RetentionPolicyOf(const TArchiveSettings &settings, int defaultKeepDays,
                                   int defaultMinFreeMB)
{
    TRetentionPolicy policy;
    policy.KeepDays = settings.KeepDays >= 0 ? settings.KeepDays : defaultKeepDays;
    policy.MinFreeMB = settings.MinFreeMB >= 0 ? settings.MinFreeMB : defaultMinFreeMB;
    return policy;
}

qint64 FreeDiskBytes(const QString &folder)
{
    QStorageInfo info(folder);
    if (!info.isValid() || !info.isReady())
        return -1;
    return info.bytesAvailable();
}

TArchiveRetention::TArchiveRetention(const QString &root, TRetentionPolicy policy)
    : m_root(root), m_policy(policy)
{}

QList<QDate> TArchiveRetention::DayFolders() const
{
    QList<QDate> days;
    for (int y : NumberedFolders(m_root, 4, 1900, 9999)) {
        const QString year = m_root + QLatin1Char('/') + QString::number(y);
        for (int m : NumberedFolders(year, 2, 1, 12))
            for (int d : NumberedFolders(year + QLatin1Char('/') + Two(m), 2, 1, 31))
                if (const QDate date(y, m, d); date.isValid())
                    days << date;
    }
    return days;
}

qint64 TArchiveRetention::FreeMB() const
{
    const QString existing = QDir(m_root).exists() ? m_root : QDir(m_root).absolutePath();
    const qint64 bytes = m_freeSpace ? m_freeSpace(existing) : FreeDiskBytes(existing);
    return bytes < 0 ? -1 : bytes / kMB;
}

bool TArchiveRetention::RemoveDay(const QDate &day, const QString &why, QStringList &removed)
{
    const QString year = m_root + QLatin1Char('/') + QString::number(day.year());
    const QString month = year + QLatin1Char('/') + Two(day.month());
    const QString folder = month + QLatin1Char('/') + Two(day.day());
    const bool ok = QDir(folder).removeRecursively();
    // Month and year folders go with their last day.
    QDir().rmdir(month);
    QDir().rmdir(year);
    const QString line =
        ok ? QStringLiteral("Архив: удалена папка дня %1 (%2)").arg(folder, why)
           : QStringLiteral("Архив: не удалось удалить папку дня %1 (%2)").arg(folder, why);
    if (m_journal)
        m_journal(line);
    else
        TLog(BlackBoxPath()).Add(line);
    if (ok)
        removed << folder;
    return ok;
}

QStringList TArchiveRetention::Enforce(const QDate &today)
{
    QStringList removed;
    if (!m_policy.Active())
        return removed;
    QList<QDate> days = DayFolders();
    // Today's folder and any of a later date (a clock set back) stay.
    while (!days.isEmpty() && days.constLast() >= today)
        days.removeLast();

    if (m_policy.KeepDays > 0) {
        const QDate first = today.addDays(1 - m_policy.KeepDays);
        while (!days.isEmpty() && days.constFirst() < first) {
            RemoveDay(days.takeFirst(), QStringLiteral("хранить дней: %1").arg(m_policy.KeepDays),
                      removed);
        }
    }
    if (m_policy.MinFreeMB > 0) {
        for (qint64 free = FreeMB(); free >= 0 && free < m_policy.MinFreeMB && !days.isEmpty();
             free = FreeMB()) {
            if (!RemoveDay(days.takeFirst(),
                           QStringLiteral("свободно %1 МБ, нужно не меньше %2 МБ")
                               .arg(free)
                               .arg(m_policy.MinFreeMB),
                           removed))
                break;
        }
    }
    return removed;
}

} // namespace tals
