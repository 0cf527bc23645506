#include "storage/archive_envelope.h"

#include "storage/archive_range.h"
#include "storage/archive_summary.h"

#include <cmath>
#include <limits>

namespace tals {

namespace {

constexpr double kMinute = 1.0 / MinutesPerDay;
// A reading stored at a bucket or minute edge may lie a hair below it.
constexpr double kEdge = 1e-9;

class TBuckets
{
public:
    TBuckets(TDateTime from, TDateTime to, double step) : m_from(from), m_step(step)
    {
        const double n = std::ceil((to - from) / step - kEdge);
        m_points.resize(std::size_t(std::clamp(n, 1.0, 1e7)));
    }

    void Add(TDateTime first, TDateTime last, double min, double max, double sum, qint64 count)
    {
        const double k = std::floor((first - m_from) / m_step + kEdge);
        const std::size_t i = std::size_t(std::clamp(k, 0.0, double(m_points.size() - 1)));
        TAcc &b = m_points[i];
        if (b.count == 0) {
            b = {first, last, min, max, sum, count};
            return;
        }
        b.first = std::min(b.first, first);
        b.last = std::max(b.last, last);
        b.min = std::min(b.min, min);
        b.max = std::max(b.max, max);
        b.sum += sum;
        b.count += count;
    }

    void Take(std::vector<TEnvelopePoint> &out) const
    {
        out.clear();
        for (std::size_t i = 0; i < m_points.size(); ++i) {
            const TAcc &b = m_points[i];
            if (b.count > 0)
                out.push_back({m_from + double(i) * m_step, b.first, b.last, b.min, b.max,
                               b.sum / double(b.count), b.count});
        }
    }

private:
    struct TAcc
    {
        TDateTime first = 0, last = 0;
        double min = 0, max = 0, sum = 0;
        qint64 count = 0;
    };
    TDateTime m_from;
    double m_step;
    std::vector<TAcc> m_points;
};

bool OnMinute(TDateTime t)
{
    const double m = t * MinutesPerDay;
    return std::abs(m - std::round(m)) < 1e-6;
}

} // namespace

TEnvelope ReadEnvelope(const TArchive &archive, const TEnvelopeRequest &request,
                       const std::atomic<bool> *cancel, const TEnvelopeProgress &progress)
{
    TEnvelope result;
    const QString name = request.Name.trimmed();
    const std::vector<TDateTime> days = ArchiveRangeDays(request.From, request.To);
    result.Days = int(days.size());
    if (name.isEmpty() || days.empty())
        return result;

    const bool bucketed = request.Step > 0;
    const bool wholeMinutes =
        OnMinute(request.Step) && OnMinute(request.From) && request.Step >= kMinute - kEdge;
    const bool summaries =
        bucketed && request.Step >= kMinute - kEdge && (!request.Exact || wholeMinutes);
    std::optional<TBuckets> buckets;
    if (bucketed)
        buckets.emplace(request.From, request.To, request.Step);
    // Raw rows are kept while they may still be returned as they are.
    bool raw = true;
    std::vector<TEnvelopePoint> rows;
    auto toBuckets = [&] {
        if (!raw || !buckets)
            return;
        raw = false;
        for (const TEnvelopePoint &p : rows)
            buckets->Add(p.First, p.Last, p.Min, p.Max, p.Mean, 1);
        rows.clear();
        rows.shrink_to_fit();
    };
    auto addRow = [&](TDateTime dt, double v) {
        if (!std::isfinite(v))
            return;
        if (raw) {
            rows.push_back({dt, dt, dt, v, v, v, 1});
            if (bucketed && qint64(rows.size()) > request.RawLimit)
                toBuckets();
            return;
        }
        buckets->Add(dt, dt, v, v, v, 1);
    };
    auto query = [&](TDateTime day, TDateTime from, TDateTime to) {
        if (to < from)
            return;
        archive.ArchiveQuery(name, day, from, to, QString(), addRow);
    };

    const TDateTime today = DateOf(request.Now);
    for (const TDateTime day : days) {
        if (cancel && *cancel) {
            result.Cancelled = true;
            break;
        }
        const TDateTime date = DateOf(day);
        std::vector<TMinuteSummary> minutes;
        const bool useMinutes = summaries && date < today &&
                                DaySummary(archive.TablePath(name, day), name, date, minutes);
        // Few readings are read as they are, whatever their summary.
        bool few = false;
        if (useMinutes && raw) {
            qint64 count = 0;
            for (const TMinuteSummary &m : minutes)
                if (m.Last >= request.From && m.First <= request.To)
                    count += m.Count;
            few = qint64(rows.size()) + count <= request.RawLimit;
        }
        if (!useMinutes || few) {
            query(day, request.From, request.To);
        } else {
            toBuckets();
            // The minutes wholly inside the range come from the summary (they
            // follow each other), the readings before and after them raw.
            std::size_t first = 0;
            while (first < minutes.size() && minutes[first].First < request.From)
                ++first;
            std::size_t end = first;
            while (end < minutes.size() && minutes[end].Last <= request.To)
                ++end;
            if (end == first) {
                query(day, request.From, request.To);
            } else {
                const double inf = std::numeric_limits<double>::infinity();
                query(day, request.From, std::nextafter(minutes[first].First, -inf));
                for (std::size_t m = first; m < end; ++m)
                    buckets->Add(minutes[m].First, minutes[m].Last, minutes[m].Min, minutes[m].Max,
                                 minutes[m].Sum, minutes[m].Count);
                query(day, std::nextafter(minutes[end - 1].Last, inf), request.To);
            }
        }
        ++result.DaysRead;
        if (progress)
            progress(result.DaysRead, result.Days);
    }

    if (raw) {
        result.Raw = true;
        result.Points = std::move(rows);
    } else {
        result.Raw = false;
        buckets->Take(result.Points);
    }
    return result;
}

} // namespace tals
