#pragma once

// The on-disk queue of messages for the plant's broker: messages wait here in
// order until the broker has acknowledged them, so an outage or a restart of
// the station loses none. The queue is bounded in bytes: when a new message
// would pass the bound, the oldest ones are dropped first (a journal line says
// how many). The same file keeps the per-device sequence numbers, which grow
// by one per message across restarts. Thread-safe.

#include <QByteArray>
#include <QString>

#include <functional>
#include <mutex>
#include <vector>

struct sqlite3;

namespace tals {

struct TQueuedMessage
{
    qint64 Id = 0; // ascending in the order of pushing
    QString Topic;
    QByteArray Payload;
};

class TPublishQueue
{
public:
    // limitBytes: the bound of the payloads kept (at least one message is kept).
    TPublishQueue(const QString &path, qint64 limitBytes);
    ~TPublishQueue();
    TPublishQueue(const TPublishQueue &) = delete;
    TPublishQueue &operator=(const TPublishQueue &) = delete;

    // Opens or creates the file; false with the reason.
    bool Open(QString *error = nullptr);
    const QString &Path() const { return m_path; }

    // Where the lines about dropped messages go (none unless set).
    void SetJournal(std::function<void(const QString &)> journal);

    // Takes the next sequence number of key and pushes the payload made for it,
    // both in one transaction. Returns the sequence number, -1 on failure.
    qint64 PushNumbered(const QString &key, const QString &topic,
                        const std::function<QByteArray(qint64 seq)> &payload);
    // The last sequence number given for key (0 when none).
    qint64 LastSeq(const QString &key) const;

    // Up to max messages after the id afterId, oldest first.
    std::vector<TQueuedMessage> Next(qint64 afterId, int max) const;
    // Removes the messages (the acknowledged ones); unknown ids are ignored.
    void Remove(const std::vector<qint64> &ids);

    qint64 Count() const;
    qint64 Bytes() const;

private:
    bool Exec(const char *sql) const;
    void DropOldest(qint64 bytesToFree);

    QString m_path;
    qint64 m_limit;
    sqlite3 *m_db = nullptr;
    mutable std::mutex m_lock;
    qint64 m_bytes = 0;
    qint64 m_count = 0;
    std::function<void(const QString &)> m_journal;
};

} // namespace tals
