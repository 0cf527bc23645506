#include "storage/range_dt.h"

namespace tals {

namespace {

constexpr double kOneSecond = 1.0 / SecondsPerDay;

} // namespace

TRangeDT::TRangeDT(TClock clock) : m_clock(std::move(clock))
{
    m_stop = Now();
    m_start = m_stop - 1;
}

TDateTime TRangeDT::Now() const
{
    return m_clock ? m_clock() : tals::Now();
}

TDateTime TRangeDT::Compose(TDateTime x, int emptyDateOffset) const
{
    TDateTime date = DateOf(x);
    if (date == 0)
        date = DateOf(Now()) + emptyDateOffset;
    TDateTime time = TimeOf(x);
    if (time < kOneSecond)
        time = kOneSecond;
    return date + time;
}

void TRangeDT::SetStart(TDateTime x)
{
    if (x == m_start)
        return;
    m_start = Compose(x, -1);
}

void TRangeDT::SetStop(TDateTime x)
{
    if (x == m_stop)
        return;
    m_stop = Compose(x, 0);
}

void TRangeDT::SetRange(TDateTime start, TDateTime stop)
{
    if (start > stop)
        return;
    SetStart(start);
    SetStop(stop);
}

} // namespace tals
