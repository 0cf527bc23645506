#include "storage/archive_range.h"

#include <chrono>

namespace tals {

std::vector<TDateTime> ArchiveRangeDays(TDateTime start, TDateTime stop)
{
    std::vector<TDateTime> days;
    const TDateTime first = DateOf(start);
    const qint64 n = qint64(DateOf(stop) - first);
    // A range of more than ten years is not a trend: the caller gets nothing.
    if (n < 0 || n > 3660)
        return days;
    for (qint64 e = 0; e <= n; ++e)
        days.push_back(IncDay(start, int(e)));
    return days;
}

TArchiveDayQuery ArchiveDayQuery(const TArchive &archive)
{
    const TArchive *a = &archive;
    return [a](const QString &name, TDateTime day, TDateTime from, TDateTime to) {
        return a->ArchiveQuery(name, day, from, to);
    };
}

TArchiveRangeReader::TArchiveRangeReader(TArchiveDayQuery query) : m_query(std::move(query)) {}

TArchiveRangeReader::~TArchiveRangeReader()
{
    m_cancel = true;
    if (m_worker.joinable())
        m_worker.join();
}

void TArchiveRangeReader::Start(const QStringList &names, TDateTime start, TDateTime stop)
{
    m_cancel = true;
    if (m_worker.joinable())
        m_worker.join();
    m_cancel = false;
    {
        std::lock_guard guard(m_lock);
        m_days.clear();
        m_finished = false;
    }
    m_worker = std::thread(&TArchiveRangeReader::Run, this, names, ArchiveRangeDays(start, stop),
                           start, stop);
}

void TArchiveRangeReader::Run(QStringList names, std::vector<TDateTime> days, TDateTime start,
                              TDateTime stop)
{
    for (int item = 0; item < names.size(); ++item) {
        for (std::size_t e = 0; e < days.size(); ++e) {
            if (m_cancel)
                break;
            TDay day;
            day.item = item;
            day.index = int(e);
            day.count = int(days.size());
            if (m_query) {
                try {
                    day.rows = m_query(names[item], days[e], start, stop);
                } catch (...) {
                    // A failed query gives no rows; the other days still load.
                }
            }
            std::lock_guard guard(m_lock);
            m_days.push_back(std::move(day));
            m_ready.notify_all();
        }
    }
    std::lock_guard guard(m_lock);
    m_finished = true;
    m_ready.notify_all();
}

bool TArchiveRangeReader::WaitTake(TDay &day, int timeoutMs)
{
    std::unique_lock guard(m_lock);
    m_ready.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                     [this] { return !m_days.empty() || m_finished; });
    if (m_days.empty())
        return false;
    day = std::move(m_days.front());
    m_days.pop_front();
    return true;
}

bool TArchiveRangeReader::Done() const
{
    std::lock_guard guard(m_lock);
    return m_finished && m_days.empty();
}

} // namespace tals
