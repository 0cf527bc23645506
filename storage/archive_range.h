#pragma once

// Loading of a date-time range of the archive: one query per calendar day of
// the range and quantity, each bounded by the range's start and stop. The
// queries run on a worker thread that hands the days over in order.

#include "storage/archive.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace tals {

// The day folders a range touches: the date of start + e for e = 0 .. n with
// n = date of stop - date of start (none when stop lies before start).
std::vector<TDateTime> ArchiveRangeDays(TDateTime start, TDateTime stop);

// The rows of quantity name in the day folder of day, from <= DT <= to.
using TArchiveDayQuery = std::function<std::vector<TArchiveRow>(const QString &name, TDateTime day,
                                                                TDateTime from, TDateTime to)>;

// The day query of an archive (the archive must outlive the query).
TArchiveDayQuery ArchiveDayQuery(const TArchive &archive);

class TArchiveRangeReader
{
public:
    // One day of one quantity.
    struct TDay
    {
        int item = 0;  // index of the name
        int index = 0; // e: 0 .. count - 1
        int count = 0; // days in the range
        std::vector<TArchiveRow> rows;
    };

    explicit TArchiveRangeReader(TArchiveDayQuery query);
    // Stops the worker after the query it is running.
    ~TArchiveRangeReader();
    TArchiveRangeReader(const TArchiveRangeReader &) = delete;
    TArchiveRangeReader &operator=(const TArchiveRangeReader &) = delete;

    // Starts reading every day of [start, stop] for each name in turn.
    void Start(const QStringList &names, TDateTime start, TDateTime stop);
    // Waits up to timeoutMs for the next day; false when none came (or all
    // are delivered).
    bool WaitTake(TDay &day, int timeoutMs);
    // Every day delivered and taken.
    bool Done() const;

private:
    void Run(QStringList names, std::vector<TDateTime> days, TDateTime start, TDateTime stop);

    TArchiveDayQuery m_query;
    std::thread m_worker;
    mutable std::mutex m_lock;
    std::condition_variable m_ready;
    std::deque<TDay> m_days; // delivered, not yet taken
    bool m_finished = true;
    std::atomic<bool> m_cancel{false};
};

} // namespace tals
