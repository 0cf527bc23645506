#pragma once

// Where polled readings go: one record per value under its archive name, with
// the time stamp and the number of decimals its text line shows. The
// measurement archive implements it; the scheduler only calls Append, on the
// thread that archives (the worker during polling).

#include "platform/date_time.h"

#include <QString>

namespace tals {

class TReadingArchive
{
public:
    virtual ~TReadingArchive() = default;
    virtual void Append(const QString &name, double value, TDateTime time, int decimals) = 0;
};

} // namespace tals
