#include "storage/archive_summary.h"

#include "storage/archive_table.h"

#include <QFile>

#include <sqlite3.h>

#include <cmath>

namespace tals {

namespace {

// A prepared statement finalised when it goes.
class TStatement
{
public:
    TStatement(sqlite3 *db, const QString &sql)
    {
        const QByteArray text = sql.toUtf8();
        if (sqlite3_prepare_v2(db, text.constData(), int(text.size()), &m_stmt, nullptr) !=
            SQLITE_OK) {
            sqlite3_finalize(m_stmt);
            m_stmt = nullptr;
        }
    }
    ~TStatement() { sqlite3_finalize(m_stmt); }
    TStatement(const TStatement &) = delete;
    TStatement &operator=(const TStatement &) = delete;
    explicit operator bool() const { return m_stmt != nullptr; }
    sqlite3_stmt *get() const { return m_stmt; }

private:
    sqlite3_stmt *m_stmt = nullptr;
};

struct TDb
{
    sqlite3 *db = nullptr;
    ~TDb() { sqlite3_close_v2(db); }
};

bool Open(TDb &c, const QString &path, int flags)
{
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &c.db,
                                   flags | SQLITE_OPEN_NOMUTEX, nullptr);
    if (c.db)
        sqlite3_busy_timeout(c.db, 2000);
    return rc == SQLITE_OK;
}

QString MinutesTable(const QString &name)
{
    return QuoteSqlName(name + QStringLiteral("_minutes"));
}

QString StateTable(const QString &name)
{
    return QuoteSqlName(name + QStringLiteral("_minutes_state"));
}

// The row id of the newest reading; -1 on failure, 0 for an empty table.
qint64 LastRowId(sqlite3 *db, const QString &name)
{
    TStatement s(db, QStringLiteral("SELECT max(rowid) FROM ") + QuoteSqlName(name));
    if (!s || sqlite3_step(s.get()) != SQLITE_ROW)
        return -1;
    return sqlite3_column_int64(s.get(), 0);
}

// The row id the stored summary was built up to; -1 when there is none.
qint64 SummarisedRowId(sqlite3 *db, const QString &name)
{
    TStatement s(db, QStringLiteral("SELECT LastRowId FROM ") + StateTable(name));
    if (!s || sqlite3_step(s.get()) != SQLITE_ROW)
        return -1;
    return sqlite3_column_int64(s.get(), 0);
}

bool ReadStored(sqlite3 *db, const QString &name, std::vector<TMinuteSummary> &minutes)
{
    TStatement s(db, QStringLiteral("SELECT TFirst, TLast, VMin, VMax, VSum, N FROM ") +
                         MinutesTable(name) + QStringLiteral(" ORDER BY M"));
    if (!s)
        return false;
    minutes.clear();
    minutes.reserve(1440);
    int rc;
    while ((rc = sqlite3_step(s.get())) == SQLITE_ROW)
        minutes.push_back({sqlite3_column_double(s.get(), 0), sqlite3_column_double(s.get(), 1),
                           sqlite3_column_double(s.get(), 2), sqlite3_column_double(s.get(), 3),
                           sqlite3_column_double(s.get(), 4), sqlite3_column_int64(s.get(), 5)});
    return rc == SQLITE_DONE;
}

// Summarises the readings in one pass in time order.
bool Compute(sqlite3 *db, const QString &name, TDateTime day, std::vector<TMinuteSummary> &minutes,
             std::vector<int> &minuteIndex)
{
    TStatement s(db, QStringLiteral("SELECT DT, V FROM ") + QuoteSqlName(name) +
                         QStringLiteral(" ORDER BY DT"));
    if (!s)
        return false;
    minutes.clear();
    minuteIndex.clear();
    int current = -1;
    int rc;
    while ((rc = sqlite3_step(s.get())) == SQLITE_ROW) {
        const double dt = sqlite3_column_double(s.get(), 0);
        const double v = sqlite3_column_double(s.get(), 1);
        if (!std::isfinite(v))
            continue;
        const int m = MinuteOfDay(dt, day);
        if (minutes.empty() || m != current) {
            current = m;
            minutes.push_back({dt, dt, v, v, v, 1});
            minuteIndex.push_back(m);
            continue;
        }
        TMinuteSummary &last = minutes.back();
        last.Last = dt;
        last.Min = std::min(last.Min, v);
        last.Max = std::max(last.Max, v);
        last.Sum += v;
        ++last.Count;
    }
    return rc == SQLITE_DONE;
}

bool Exec(sqlite3 *db, const QString &sql)
{
    return sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

// Replaces the stored summary in one transaction; false leaves the file as it was.
bool Store(sqlite3 *db, const QString &name, qint64 lastRowId,
           const std::vector<TMinuteSummary> &minutes, const std::vector<int> &minuteIndex)
{
    if (!Exec(db, QStringLiteral("BEGIN IMMEDIATE")))
        return false;
    bool ok = Exec(db, QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (M INTEGER PRIMARY KEY, "
                                      "TFirst REAL, TLast REAL, VMin REAL, VMax REAL, VSum REAL, "
                                      "N INTEGER)")
                           .arg(MinutesTable(name))) &&
              Exec(db, QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (LastRowId INTEGER)")
                           .arg(StateTable(name))) &&
              Exec(db, QStringLiteral("DELETE FROM ") + MinutesTable(name)) &&
              Exec(db, QStringLiteral("DELETE FROM ") + StateTable(name));
    if (ok) {
        TStatement insert(db, QStringLiteral("INSERT INTO %1 VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)")
                                  .arg(MinutesTable(name)));
        ok = bool(insert);
        for (std::size_t i = 0; ok && i < minutes.size(); ++i) {
            const TMinuteSummary &m = minutes[i];
            sqlite3_bind_int(insert.get(), 1, minuteIndex[i]);
            sqlite3_bind_double(insert.get(), 2, m.First);
            sqlite3_bind_double(insert.get(), 3, m.Last);
            sqlite3_bind_double(insert.get(), 4, m.Min);
            sqlite3_bind_double(insert.get(), 5, m.Max);
            sqlite3_bind_double(insert.get(), 6, m.Sum);
            sqlite3_bind_int64(insert.get(), 7, m.Count);
            ok = sqlite3_step(insert.get()) == SQLITE_DONE;
            sqlite3_reset(insert.get());
        }
        ok =
            ok &&
            Exec(db,
                 QStringLiteral("INSERT INTO %1 VALUES (%2)").arg(StateTable(name)).arg(lastRowId));
    }
    if (ok && Exec(db, QStringLiteral("COMMIT")))
        return true;
    Exec(db, QStringLiteral("ROLLBACK"));
    return false;
}

} // namespace

int MinuteOfDay(TDateTime dt, TDateTime day)
{
    // A reading stored at a whole minute may lie a hair below it.
    const int m = int(std::floor((dt - day) * MinutesPerDay + 1e-6));
    return std::clamp(m, 0, 1439);
}

bool DaySummary(const QString &path, const QString &name, TDateTime day,
                std::vector<TMinuteSummary> &minutes)
{
    if (!QFile::exists(path))
        return false;
    // Most days are summarised already: one read-only look.
    {
        TDb c;
        if (!Open(c, path, SQLITE_OPEN_READONLY))
            return false;
        const qint64 last = LastRowId(c.db, name);
        if (last < 0)
            return false; // not an archive table
        if (SummarisedRowId(c.db, name) == last && ReadStored(c.db, name, minutes))
            return true;
    }
    if (ArchiveFileKind(path, name) != TArchiveFileKind::Archive)
        return false;
    TDb c;
    bool writable = Open(c, path, SQLITE_OPEN_READWRITE);
    qint64 last = writable ? LastRowId(c.db, name) : -1;
    if (last < 0) {
        // A read-only file or folder: read it as it is.
        writable = false;
        sqlite3_close_v2(c.db);
        c.db = nullptr;
        if (!Open(c, path, SQLITE_OPEN_READONLY))
            return false;
        last = LastRowId(c.db, name);
    }
    if (last < 0)
        return false;
    std::vector<int> index;
    if (!Compute(c.db, name, day, minutes, index))
        return false;
    // Someone else's copy of the archive may be read-only: the summary then
    // lives only in memory. A completed day is no longer appended to: its
    // file leaves the write-ahead log, so that reading it later needs no
    // log files beside it (an append sets the log again).
    if (writable && Store(c.db, name, last, minutes, index))
        Exec(c.db, QStringLiteral("PRAGMA journal_mode=DELETE"));
    return true;
}

bool HasDaySummary(const QString &path, const QString &name)
{
    if (ArchiveFileKind(path, name) != TArchiveFileKind::Archive)
        return false;
    TDb c;
    if (!Open(c, path, SQLITE_OPEN_READONLY))
        return false;
    const qint64 last = LastRowId(c.db, name);
    return last >= 0 && SummarisedRowId(c.db, name) == last;
}

} // namespace tals
