#pragma once

// The readings the transducer and the current meter report: for each its
// name (the holder's and the archive's), the command whose answer carries it
// and after which it is archived, the input register and the byte offset in
// that answer, and the decimals of its archive text line. The parser, the
// model's holders and the scheduler's archive all read this table.
//
// Iterate with:  for (const TReadingInfo &r : ReadingTable()) ...
// or look one up: ReadingInfo(TReading::Distance), FindReadingByName("Distance").

#include "platform/date_time.h"

#include <QString>

#include <array>
#include <cmath>
#include <optional>
#include <span>

namespace tals {

// The code under which the current meter's reading is archived (the meter's
// exchange has no command code of its own).
constexpr int kMeterReadingCode = 253;

// In archive order.
enum class TReading : int {
    Distance,
    LevelBusy,
    LevelFree,
    TmpOfSensor,
    TestDistance,
    TestDistanceFlt,
    CurrentOutput
};
constexpr int kReadingCount = 7;

struct TReadingInfo
{
    TReading Id;
    const char *Name; // holder and archive name
    int Command;      // the command whose answer carries it (kMeterReadingCode: the meter)
    int Register;     // input register of its first word, -1 for the meter's reading
    int Offset;       // byte offset of the value in the answer to Command
    int Decimals;     // decimals of the archive's text line
};

std::span<const TReadingInfo> ReadingTable();
const TReadingInfo &ReadingInfo(TReading id);
const TReadingInfo *FindReadingByName(const QString &name);
// Byte offset of a reading in the answer to a read of input registers from
// start (count registers), or -1 when the read does not cover it.
int ReadingOffset(const TReadingInfo &reading, int start, int count);

// The readings decoded from one answer, with the time of the decoding, as a
// plain value that may cross threads. A reading the answer did not carry, or
// carried as NaN or infinity, is absent.
struct TReadings
{
    TDateTime Time = 0;
    std::array<std::optional<double>, kReadingCount> Values{};

    bool Any() const
    {
        for (const auto &v : Values)
            if (v)
                return true;
        return false;
    }
    const std::optional<double> &Value(TReading id) const
    {
        return Values[static_cast<std::size_t>(id)];
    }
    // Records a decoded value; NaN and infinities stay absent.
    void Set(TReading id, double value)
    {
        if (std::isfinite(value))
            Values[static_cast<std::size_t>(id)] = value;
    }
};

} // namespace tals
