#pragma once

// Reads the trend windows' data on a worker thread: for each quantity of a
// request the envelope of a range at a given number of columns (the raw
// readings when few enough). Progress and the result come back as signals on
// the thread that owns the loader; a new request or Cancel stops the one
// running after the day being read, and its result then holds what was read.

#include "storage/archive_envelope.h"

#include <QObject>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

namespace tals {

struct TTrendRequest
{
    QStringList names;
    TDateTime from = 0;
    TDateTime to = 0;
    int columns = 1000;
    TDateTime now = 0; // days before its date are complete
};

struct TTrendResult
{
    quint64 id = 0;
    TTrendRequest request;
    std::vector<TEnvelope> series; // one per name, in order
    bool cancelled = false;
    int daysRead = 0;
    int days = 0;
};

class TTrendLoader : public QObject
{
    Q_OBJECT

public:
    explicit TTrendLoader(const TArchive *archive, QObject *parent = nullptr);
    ~TTrendLoader() override;

    // Starts reading; returns the request's id (the previous one is cancelled).
    quint64 Start(const TTrendRequest &request);
    void Cancel();
    bool Busy() const { return m_busy; }
    // The id of the request running or last finished.
    quint64 CurrentId() const { return m_id; }

    // Called on the worker after each day but the last (tests slow it down with it).
    std::function<void()> afterDay;

    // Rows per column up to which a range is returned raw.
    static constexpr int kRawPerColumn = 10;

signals:
    void progress(quint64 id, int done, int total);
    void finished(const std::shared_ptr<const TTrendResult> &result);

private:
    void Stop();

    const TArchive *m_archive;
    std::thread m_worker;
    std::atomic<bool> m_cancel{false};
    bool m_busy = false;
    quint64 m_id = 0;
};

} // namespace tals
