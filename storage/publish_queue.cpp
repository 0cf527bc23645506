#include "storage/publish_queue.h"

#include "platform/paths.h"

#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

namespace tals {

namespace {

// A prepared statement freed at the end of its scope.
class TStatement
{
public:
    TStatement(sqlite3 *db, const char *sql)
    {
        if (db)
            sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr);
    }
    ~TStatement() { sqlite3_finalize(m_stmt); }
    TStatement(const TStatement &) = delete;
    TStatement &operator=(const TStatement &) = delete;
    sqlite3_stmt *get() const { return m_stmt; }
    explicit operator bool() const { return m_stmt != nullptr; }

private:
    sqlite3_stmt *m_stmt = nullptr;
};

QString Text(sqlite3_stmt *stmt, int column)
{
    return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, column)),
                             sqlite3_column_bytes(stmt, column));
}

} // namespace

TPublishQueue::TPublishQueue(const QString &path, qint64 limitBytes)
    : m_path(path), m_limit(limitBytes)
{}

TPublishQueue::~TPublishQueue()
{
    if (m_db)
        sqlite3_close(m_db);
}

bool TPublishQueue::Exec(const char *sql) const
{
    return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool TPublishQueue::Open(QString *error)
{
    std::lock_guard guard(m_lock);
    ForceDirectories(QFileInfo(m_path).absolutePath());
    auto fail = [&](const QString &why) {
        if (error)
            *error = QStringLiteral("Очередь MQTT %1: %2").arg(m_path, why);
        if (m_db)
            sqlite3_close(m_db);
        m_db = nullptr;
        return false;
    };
    if (sqlite3_open_v2(QFile::encodeName(m_path).constData(), &m_db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                        nullptr) != SQLITE_OK)
        return fail(m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("нет памяти"));
    sqlite3_busy_timeout(m_db, 2000);
    // WAL with NORMAL sync: a crash of the program loses nothing committed.
    Exec("PRAGMA journal_mode=WAL");
    Exec("PRAGMA synchronous=NORMAL");
    if (!Exec("CREATE TABLE IF NOT EXISTS queue(id INTEGER PRIMARY KEY AUTOINCREMENT, "
              "topic TEXT NOT NULL, payload BLOB NOT NULL)") ||
        !Exec("CREATE TABLE IF NOT EXISTS seq(key TEXT PRIMARY KEY, value INTEGER NOT NULL)"))
        return fail(QString::fromUtf8(sqlite3_errmsg(m_db)));
    TStatement count(m_db, "SELECT COUNT(*), COALESCE(SUM(LENGTH(payload)), 0) FROM queue");
    if (!count || sqlite3_step(count.get()) != SQLITE_ROW)
        return fail(QString::fromUtf8(sqlite3_errmsg(m_db)));
    m_count = sqlite3_column_int64(count.get(), 0);
    m_bytes = sqlite3_column_int64(count.get(), 1);
    return true;
}

void TPublishQueue::SetJournal(std::function<void(const QString &)> journal)
{
    std::lock_guard guard(m_lock);
    m_journal = std::move(journal);
}

qint64 TPublishQueue::LastSeq(const QString &key) const
{
    std::lock_guard guard(m_lock);
    TStatement select(m_db, "SELECT value FROM seq WHERE key = ?");
    if (!select)
        return 0;
    const QByteArray k = key.toUtf8();
    sqlite3_bind_text(select.get(), 1, k.constData(), int(k.size()), SQLITE_TRANSIENT);
    return sqlite3_step(select.get()) == SQLITE_ROW ? sqlite3_column_int64(select.get(), 0) : 0;
}

qint64 TPublishQueue::PushNumbered(const QString &key, const QString &topic,
                                   const std::function<QByteArray(qint64)> &payload)
{
    std::lock_guard guard(m_lock);
    if (!m_db || !Exec("BEGIN IMMEDIATE"))
        return -1;
    const QByteArray k = key.toUtf8();
    qint64 seq = 1;
    {
        TStatement select(m_db, "SELECT value FROM seq WHERE key = ?");
        sqlite3_bind_text(select.get(), 1, k.constData(), int(k.size()), SQLITE_TRANSIENT);
        if (sqlite3_step(select.get()) == SQLITE_ROW)
            seq = sqlite3_column_int64(select.get(), 0) + 1;
    }
    const QByteArray body = payload(seq);
    const QByteArray t = topic.toUtf8();
    bool ok = false;
    {
        TStatement update(m_db, "INSERT OR REPLACE INTO seq(key, value) VALUES(?, ?)");
        sqlite3_bind_text(update.get(), 1, k.constData(), int(k.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int64(update.get(), 2, seq);
        TStatement insert(m_db, "INSERT INTO queue(topic, payload) VALUES(?, ?)");
        sqlite3_bind_text(insert.get(), 1, t.constData(), int(t.size()), SQLITE_TRANSIENT);
        sqlite3_bind_blob(insert.get(), 2, body.constData(), int(body.size()), SQLITE_TRANSIENT);
        ok = update && insert && sqlite3_step(update.get()) == SQLITE_DONE &&
             sqlite3_step(insert.get()) == SQLITE_DONE;
    }
    if (!ok || !Exec("COMMIT")) {
        Exec("ROLLBACK");
        return -1;
    }
    ++m_count;
    m_bytes += body.size();
    if (m_bytes > m_limit && m_count > 1)
        // A tenth of the bound at a time, so a full queue writes few lines.
        DropOldest(m_bytes - m_limit + m_limit / 10);
    return seq;
}

void TPublishQueue::DropOldest(qint64 bytesToFree)
{
    std::vector<qint64> ids;
    qint64 freed = 0;
    {
        TStatement select(m_db, "SELECT id, LENGTH(payload) FROM queue ORDER BY id");
        // The newest message always stays.
        while (freed < bytesToFree && qint64(ids.size()) < m_count - 1 &&
               sqlite3_step(select.get()) == SQLITE_ROW) {
            ids.push_back(sqlite3_column_int64(select.get(), 0));
            freed += sqlite3_column_int64(select.get(), 1);
        }
    }
    if (ids.empty())
        return;
    TStatement remove(m_db, "DELETE FROM queue WHERE id <= ?");
    sqlite3_bind_int64(remove.get(), 1, ids.back());
    if (sqlite3_step(remove.get()) != SQLITE_DONE)
        return;
    m_count -= qint64(ids.size());
    m_bytes -= freed;
    if (m_journal)
        m_journal(
            QStringLiteral("Очередь MQTT заполнена (%1 МБ): отброшено старейших сообщений: %2")
                .arg(double(m_limit) / (1024 * 1024), 0, 'f', 1)
                .arg(ids.size()));
}

std::vector<TQueuedMessage> TPublishQueue::Next(qint64 afterId, int max) const
{
    std::lock_guard guard(m_lock);
    std::vector<TQueuedMessage> messages;
    TStatement select(m_db,
                      "SELECT id, topic, payload FROM queue WHERE id > ? ORDER BY id LIMIT ?");
    if (!select)
        return messages;
    sqlite3_bind_int64(select.get(), 1, afterId);
    sqlite3_bind_int(select.get(), 2, max);
    while (sqlite3_step(select.get()) == SQLITE_ROW) {
        TQueuedMessage m;
        m.Id = sqlite3_column_int64(select.get(), 0);
        m.Topic = Text(select.get(), 1);
        m.Payload = QByteArray(static_cast<const char *>(sqlite3_column_blob(select.get(), 2)),
                               sqlite3_column_bytes(select.get(), 2));
        messages.push_back(std::move(m));
    }
    return messages;
}

void TPublishQueue::Remove(const std::vector<qint64> &ids)
{
    if (ids.empty())
        return;
    std::lock_guard guard(m_lock);
    if (!m_db || !Exec("BEGIN IMMEDIATE"))
        return;
    TStatement size(m_db, "SELECT LENGTH(payload) FROM queue WHERE id = ?");
    TStatement remove(m_db, "DELETE FROM queue WHERE id = ?");
    qint64 count = 0, bytes = 0;
    for (qint64 id : ids) {
        sqlite3_bind_int64(size.get(), 1, id);
        if (sqlite3_step(size.get()) == SQLITE_ROW) {
            bytes += sqlite3_column_int64(size.get(), 0);
            sqlite3_bind_int64(remove.get(), 1, id);
            if (sqlite3_step(remove.get()) == SQLITE_DONE)
                ++count;
            sqlite3_reset(remove.get());
        }
        sqlite3_reset(size.get());
    }
    if (Exec("COMMIT")) {
        m_count -= count;
        m_bytes -= bytes;
    } else {
        Exec("ROLLBACK");
    }
}

qint64 TPublishQueue::Count() const
{
    std::lock_guard guard(m_lock);
    return m_count;
}

qint64 TPublishQueue::Bytes() const
{
    std::lock_guard guard(m_lock);
    return m_bytes;
}

} // namespace tals
