#include "device/reading_table.h"

namespace tals {

namespace {

using R = TReading;

// clang-format off
constexpr TReadingInfo kReadings[] = {
    // id                  name               command            register offset decimals
    {R::Distance,        "Distance",        4,                 1,    5,  1},
    {R::LevelBusy,       "LevelBusy",       4,                 5,    13, 1},
    {R::LevelFree,       "LevelFree",       4,                 3,    9,  1},
    {R::TmpOfSensor,     "TmpOfSensor",     4,                 13,   29, 0},
    {R::TestDistance,    "TestDistance",    25,                3031, 3,  1},
    {R::TestDistanceFlt, "TestDistanceFlt", 25,                3033, 7,  1},
    {R::CurrentOutput,   "CurrentOutput",   kMeterReadingCode, -1,   5,  2},
};
// clang-format on

static_assert(std::size(kReadings) == kReadingCount, "one row per reading");

constexpr bool RowsInOrder()
{
    for (int i = 0; i < kReadingCount; ++i)
        if (static_cast<int>(kReadings[i].Id) != i)
            return false;
    return true;
}
static_assert(RowsInOrder(), "rows in the order of TReading");

// The readings block starts at input register 0, the test distances at 3031:
// a value's offset is 3 + 2 * (register - start).
constexpr bool OffsetsMatchRegisters()
{
    for (const TReadingInfo &r : kReadings) {
        const int start = r.Command == 4 ? 0 : r.Command == 25 ? 3031 : -1;
        if (start >= 0 && r.Offset != 3 + 2 * (r.Register - start))
            return false;
    }
    return true;
}
static_assert(OffsetsMatchRegisters(), "offsets follow the registers");

} // namespace

std::span<const TReadingInfo> ReadingTable()
{
    return kReadings;
}

const TReadingInfo &ReadingInfo(TReading id)
{
    return kReadings[static_cast<int>(id)];
}

const TReadingInfo *FindReadingByName(const QString &name)
{
    for (const TReadingInfo &r : kReadings)
        if (name == QLatin1String(r.Name))
            return &r;
    return nullptr;
}

int ReadingOffset(const TReadingInfo &reading, int start, int count)
{
    // A single takes two registers.
    if (reading.Register < 0 || reading.Register < start || reading.Register + 2 > start + count)
        return -1;
    return 3 + 2 * (reading.Register - start);
}

} // namespace tals
