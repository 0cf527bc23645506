#include "storage/archive_table.h"

#include "platform/error_text.h"

#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <cerrno>
#include <cmath>

#include <sys/resource.h>
#include <sys/statvfs.h>

namespace tals {

namespace {

constexpr int BusyTimeoutMs = 10000;

// The first 16 bytes of every SQLite database file.
const QByteArray SqliteHeader("SQLite format 3\0", 16);

enum class THeader { Missing, Empty, Sqlite, Other };

THeader ReadHeader(const QString &path)
{
    QFile file(path);
    if (!file.exists())
        return THeader::Missing;
    if (!file.open(QIODevice::ReadOnly))
        return THeader::Other;
    if (file.size() == 0)
        return THeader::Empty;
    return file.read(16) == SqliteHeader ? THeader::Sqlite : THeader::Other;
}

bool Exec(sqlite3 *db, const char *sql, int *rc = nullptr)
{
    const int result = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    if (rc)
        *rc = result;
    return result == SQLITE_OK;
}

bool Exec(sqlite3 *db, const QString &sql, int *rc = nullptr)
{
    return Exec(db, sql.toUtf8().constData(), rc);
}

QString NotArchiveTable()
{
    return QStringLiteral("файл не является таблицей архива");
}

// Owns a connection until released.
struct TConnection
{
    sqlite3 *db = nullptr;
    ~TConnection() { sqlite3_close_v2(db); }
    sqlite3 *release() { return std::exchange(db, nullptr); }
};

bool OpenConnection(TConnection &c, const QString &path, int flags)
{
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &c.db,
                                   flags | SQLITE_OPEN_NOMUTEX, nullptr);
    if (c.db)
        sqlite3_busy_timeout(c.db, BusyTimeoutMs);
    return rc == SQLITE_OK;
}

// Looks at the schema of an open SQLite file without writing to it.
TArchiveFileKind SchemaKind(sqlite3 *db, const QString &name)
{
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT count(*) FROM sqlite_master", -1, &stmt, nullptr) !=
        SQLITE_OK) {
        sqlite3_finalize(stmt);
        return TArchiveFileKind::Foreign;
    }
    const bool read = sqlite3_step(stmt) == SQLITE_ROW;
    const int objects = read ? sqlite3_column_int(stmt, 0) : -1;
    sqlite3_finalize(stmt);
    if (!read)
        return TArchiveFileKind::Foreign;
    if (objects == 0)
        return TArchiveFileKind::Empty;
    // The table must have both columns.
    const QByteArray probe =
        QStringLiteral("SELECT V, DT FROM %1 LIMIT 0").arg(QuoteSqlName(name)).toUtf8();
    const bool ok = sqlite3_prepare_v2(db, probe.constData(), -1, &stmt, nullptr) == SQLITE_OK;
    sqlite3_finalize(stmt);
    return ok ? TArchiveFileKind::Archive : TArchiveFileKind::Foreign;
}

} // namespace

namespace {

// SQLite does not always keep the errno of a failed write (the journal file's
// is lost): a full disk and the process's file size limit are recognised by
// looking at them.
int WriteFailureErrno(const QString &path)
{
    const QFileInfo info(path);
    struct statvfs vfs
    {
    };
    if (::statvfs(QFile::encodeName(info.absolutePath()).constData(), &vfs) == 0 &&
        vfs.f_bavail == 0)
        return ENOSPC;
    rlimit limit{};
    if (::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
        for (const QString &file : {path, path + QStringLiteral("-wal")})
            if (QFileInfo(file).size() >= qint64(limit.rlim_cur))
                return EFBIG;
    }
    return 0;
}

} // namespace

QString SqliteFailureReason(sqlite3 *db, int rc, const QString &path)
{
    int err = db ? sqlite3_system_errno(db) : 0;
    switch (rc & 0xFF) {
    case SQLITE_FULL:
        if (err != EFBIG && err != EDQUOT)
            err = WriteFailureErrno(path) == EFBIG ? EFBIG : ENOSPC;
        return SystemErrorText(err);
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return SystemErrorText(err == EROFS || err == EPERM ? err : EACCES);
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return QStringLiteral("таблица занята другой программой");
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        return QStringLiteral("файл таблицы повреждён");
    case SQLITE_NOMEM:
        return SystemErrorText(ENOMEM);
    case SQLITE_IOERR:
        if (err == 0)
            err = WriteFailureErrno(path);
        return err != 0 ? SystemErrorText(err) : QStringLiteral("ошибка записи на диск");
    default:
        if (err != 0)
            return SystemErrorText(err);
        return QStringLiteral("ошибка базы данных %1").arg(rc);
    }
}

QString QuoteSqlName(const QString &name)
{
    QString quoted = name;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

TArchiveFileKind ArchiveFileKind(const QString &path, const QString &name)
{
    switch (ReadHeader(path)) {
    case THeader::Missing:
        return TArchiveFileKind::Missing;
    case THeader::Empty:
        return TArchiveFileKind::Empty;
    case THeader::Other:
        return TArchiveFileKind::Foreign;
    case THeader::Sqlite:
        break;
    }
    TConnection c;
    if (!OpenConnection(c, path, SQLITE_OPEN_READONLY))
        return TArchiveFileKind::Foreign;
    return SchemaKind(c.db, name);
}

TArchiveTable::TArchiveTable(sqlite3 *db, const QString &path) : m_db(db), m_path(path) {}

TArchiveTable::~TArchiveTable()
{
    sqlite3_finalize(m_insert);
    sqlite3_close_v2(m_db);
}

std::unique_ptr<TArchiveTable> TArchiveTable::Open(const QString &path, const QString &name,
                                                   bool create, QString *reason)
{
    auto fail = [reason](const QString &text) {
        if (reason)
            *reason = text;
        return nullptr;
    };
    if (name.isEmpty())
        return fail(QStringLiteral("пустое имя таблицы"));

    const THeader header = ReadHeader(path);
    if (header == THeader::Other) {
        // A folder or an unreadable file stands there, or someone else's data.
        const QFileInfo info(path);
        return fail(info.isDir()        ? SystemErrorText(EISDIR)
                    : info.isReadable() ? NotArchiveTable()
                                        : SystemErrorText(EACCES));
    }
    if (header != THeader::Sqlite && !create)
        return fail(QStringLiteral("нет такой таблицы"));

    // An existing file is opened without CREATE, so it is never replaced.
    TConnection c;
    const int flags = SQLITE_OPEN_READWRITE | (header == THeader::Missing ? SQLITE_OPEN_CREATE : 0);
    if (!OpenConnection(c, path, flags))
        return fail(SqliteFailureReason(c.db, c.db ? sqlite3_errcode(c.db) : SQLITE_NOMEM, path));

    TArchiveFileKind kind = TArchiveFileKind::Empty;
    if (header == THeader::Sqlite) {
        kind = SchemaKind(c.db, name);
        if (kind == TArchiveFileKind::Foreign)
            return fail(NotArchiveTable());
        if (kind == TArchiveFileKind::Empty && !create)
            return fail(QStringLiteral("нет такой таблицы"));
    }

    // WAL with synchronous=NORMAL: every commit is in the log file before the
    // call returns, so a killed process loses nothing that was reported.
    Exec(c.db, "PRAGMA journal_mode=WAL");
    Exec(c.db, "PRAGMA synchronous=NORMAL");

    if (kind == TArchiveFileKind::Empty) {
        const QString table = QuoteSqlName(name);
        const QString index = QuoteSqlName(name + QStringLiteral("_DT"));
        int rc = SQLITE_OK;
        const bool created =
            Exec(c.db, "BEGIN IMMEDIATE", &rc) &&
            Exec(c.db, QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (V REAL, DT REAL)").arg(table),
                 &rc) &&
            Exec(c.db,
                 QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON %2 (DT, V)").arg(index, table),
                 &rc) &&
            Exec(c.db, "COMMIT", &rc);
        if (!created) {
            const QString text = SqliteFailureReason(c.db, rc, path);
            Exec(c.db, "ROLLBACK");
            return fail(text);
        }
    }

    std::unique_ptr<TArchiveTable> result(new TArchiveTable(c.release(), path));
    result->m_name = name;
    const QByteArray insert =
        QStringLiteral("INSERT INTO %1 (V, DT) VALUES (?1, ?2)").arg(QuoteSqlName(name)).toUtf8();
    const int rc = sqlite3_prepare_v3(result->m_db, insert.constData(), -1,
                                      SQLITE_PREPARE_PERSISTENT, &result->m_insert, nullptr);
    if (rc != SQLITE_OK)
        return fail(SqliteFailureReason(result->m_db, rc, path));
    return result;
}

bool TArchiveTable::Append(double dt, double v, QString *reason)
{
    std::lock_guard guard(m_lock);
    sqlite3_bind_double(m_insert, 1, v);
    sqlite3_bind_double(m_insert, 2, dt);
    const int rc = sqlite3_step(m_insert);
    const bool ok = rc == SQLITE_DONE;
    if (ok)
        m_lastDay = qint64(std::floor(dt));
    if (!ok && reason)
        *reason = SqliteFailureReason(m_db, sqlite3_errcode(m_db), m_path);
    sqlite3_reset(m_insert);
    return ok;
}

bool QueryArchiveTable(const QString &path, const QString &name, double from, double to,
                       const QString &filter, const std::function<void(double, double)> &row)
{
    if (name.isEmpty() || ReadHeader(path) != THeader::Sqlite)
        return false;
    TConnection c;
    if (!OpenConnection(c, path, SQLITE_OPEN_READONLY))
        return false;
    // A day file is read in one pass: mapping it saves copying every page.
    Exec(c.db, "PRAGMA mmap_size=268435456");

    QStringList conditions;
    if (from != 0)
        conditions << QStringLiteral("(DT>=?1)");
    if (to != 0)
        conditions << QStringLiteral("(DT<=?2)");
    if (!filter.trimmed().isEmpty())
        conditions << QLatin1Char('(') + filter + QLatin1Char(')');
    QString sql = QStringLiteral("SELECT DT, V FROM ") + QuoteSqlName(name);
    if (!conditions.isEmpty())
        sql += QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
    sql += QStringLiteral(" ORDER BY DT");

    const QByteArray text = sql.toUtf8();
    sqlite3_stmt *stmt = nullptr;
    const char *tail = nullptr;
    if (sqlite3_prepare_v2(c.db, text.constData(), int(text.size()), &stmt, &tail) != SQLITE_OK) {
        sqlite3_finalize(stmt);
        return false;
    }
    // A filter must not smuggle in a second statement.
    if (tail && QByteArray(tail).trimmed().size() > 0) {
        sqlite3_finalize(stmt);
        return false;
    }
    if (from != 0)
        sqlite3_bind_double(stmt, 1, from);
    if (to != 0)
        sqlite3_bind_double(stmt, 2, to);

    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW)
        row(sqlite3_column_double(stmt, 0), sqlite3_column_double(stmt, 1));
    sqlite3_finalize(stmt);
    return rc == SQLITE_DONE;
}

} // namespace tals
