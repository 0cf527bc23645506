#pragma once

// The readings of one quantity over a range at a chosen resolution: the raw
// rows, or per bucket of a fixed width the minimum, maximum, mean and count,
// so that a year is read as a few thousand buckets with every excursion
// kept in a bucket's minimum or maximum. Completed days are read from their
// minute summaries when a bucket spans at least a minute; the day still
// being written is always read raw.

#include "storage/archive.h"

#include <atomic>
#include <functional>
#include <optional>
#include <vector>

namespace tals {

struct TEnvelopePoint
{
    TDateTime Start = 0; // bucket start (the reading's time for raw rows)
    TDateTime First = 0; // the first and last reading in the bucket
    TDateTime Last = 0;
    double Min = 0;
    double Max = 0;
    double Mean = 0;
    qint64 Count = 0;
};

struct TEnvelopeRequest
{
    QString Name;
    TDateTime From = 0; // From <= DT <= To
    TDateTime To = 0;
    // Bucket width in days from From on; 0 gives the raw rows.
    double Step = 0;
    // Days before the date of Now are complete (their summaries may be used).
    TDateTime Now = 0;
    // Buckets hold exactly the readings of their span: summaries are used only
    // when the buckets are whole minutes starting on a minute.
    bool Exact = false;
    // With Step > 0: a range of at most this many rows is returned raw when
    // no summary was needed.
    qint64 RawLimit = 0;
};

struct TEnvelope
{
    bool Raw = true; // points are single readings (Min = Max = Mean)
    std::vector<TEnvelopePoint> Points;
    bool Cancelled = false;
    int DaysRead = 0; // days of the range read before the end or the cancel
    int Days = 0;
};

// Called after each day with the days read and the days of the range.
using TEnvelopeProgress = std::function<void(int done, int total)>;

// Reads the range day by day; cancel, when set, stops after the day being
// read and returns what was read.
TEnvelope ReadEnvelope(const TArchive &archive, const TEnvelopeRequest &request,
                       const std::atomic<bool> *cancel = nullptr,
                       const TEnvelopeProgress &progress = {});

} // namespace tals
