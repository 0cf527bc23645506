#pragma once

// A date-time range of the trend windows: Start and Stop in local time (days
// since 30.12.1899). A bound whose date part is 0 means yesterday (Start) or
// today (Stop); a time part below one second means 00:00:01.

#include "platform/date_time.h"

#include <functional>

namespace tals {

class TRangeDT
{
public:
    using TClock = std::function<TDateTime()>;

    // Start = yesterday at the current time of day, Stop = now.
    explicit TRangeDT(TClock clock = {});

    TDateTime Start() const { return m_start; }
    TDateTime Stop() const { return m_stop; }

    // Nothing when x equals the bound; otherwise the bound takes the date part
    // of x (yesterday / today when 0) and its time part (00:00:01 when below
    // one second).
    void SetStart(TDateTime x);
    void SetStop(TDateTime x);
    // Both bounds; a reversed pair (start after stop) is refused.
    void SetRange(TDateTime start, TDateTime stop);

    TDateTime Now() const;

private:
    TDateTime Compose(TDateTime x, int emptyDateOffset) const;

    TClock m_clock;
    TDateTime m_start = 0;
    TDateTime m_stop = 0;
};

} // namespace tals
