#pragma once

// One archive table: an SQLite database file <name>.db holding the table
// <name> with the columns V (REAL) and DT (REAL, days since 1899-12-30,
// local time). A file that is not an SQLite database is never changed.

#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

struct sqlite3;
struct sqlite3_stmt;

namespace tals {

// How an existing file at a table's path looks.
enum class TArchiveFileKind {
    Missing, // no file: a new table may be created
    Empty,   // a zero-length file or an SQLite database without any table yet
    Archive, // an SQLite database holding the table
    Foreign, // anything else: left alone
};

// A kept connection to one table file with its prepared insert. Thread-safe:
// appends from several threads are serialised by the object's own lock, and
// appends through other connections (other processes) by SQLite's locking.
class TArchiveTable
{
public:
    ~TArchiveTable();
    TArchiveTable(const TArchiveTable &) = delete;
    TArchiveTable &operator=(const TArchiveTable &) = delete;

    // Opens the table <name> in the file at path. With create, a missing or
    // empty file gets the table; otherwise only an existing table is opened.
    // Null when the file is not an archive table or cannot be written
    // (reason says why, in Russian: "диск заполнен", "нет прав доступа").
    static std::unique_ptr<TArchiveTable> Open(const QString &path, const QString &name,
                                               bool create, QString *reason = nullptr);

    // One row, committed on return (survives a killed process). On failure
    // reason says why; the row is then not stored and the next append tries again.
    bool Append(double dt, double v, QString *reason = nullptr);

    const QString &Path() const { return m_path; }
    const QString &Name() const { return m_name; }
    // The day (days since 30.12.1899) of the newest row appended through this
    // connection; 0 before the first.
    qint64 Day() const { return m_lastDay; }

private:
    TArchiveTable(sqlite3 *db, const QString &path);

    sqlite3 *m_db = nullptr;
    sqlite3_stmt *m_insert = nullptr;
    QString m_path;
    QString m_name;
    std::atomic<qint64> m_lastDay{0};
    std::mutex m_lock;
};

// The reason of a failed SQLite call on db (the table file at path) with
// result code rc, in Russian.
QString SqliteFailureReason(sqlite3 *db, int rc, const QString &path);

// Examines the file at path without changing it.
TArchiveFileKind ArchiveFileKind(const QString &path, const QString &name);

// The SQL text of a table or column name.
QString QuoteSqlName(const QString &name);

// Hands the rows of table name in the file at path to row in ascending DT,
// limited to from <= DT <= to (0 is no bound) and to the optional SQL condition
// filter. Opens the file read-only; a missing or foreign file gives no rows.
// Returns false on any failure (the rows delivered so far stay delivered).
bool QueryArchiveTable(const QString &path, const QString &name, double from, double to,
                       const QString &filter, const std::function<void(double, double)> &row);

} // namespace tals
