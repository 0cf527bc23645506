#include "device/progon.h"

#include "device/tals352.h"

#include <algorithm>
#include <cmath>

namespace tals {

int ProgonRowCount(const Ttals352 &model)
{
    return std::clamp(model.ProgonMode(), 0, int(model.ProgonTable.size()));
}

int ProgonCurrentRow(const Ttals352 &model, double level)
{
    const double gate = model.ProgonGate;
    for (int r = 1; r <= ProgonRowCount(model); ++r) {
        const double set = model.ProgonTable[std::size_t(r - 1)].SetLevel;
        if (set - gate <= level && level <= set + gate)
            return r;
    }
    return 0;
}

void SetProgonRuletka(Ttals352 &model, int row, double tape)
{
    if (row < 1 || row > int(model.ProgonTable.size()))
        return;
    TProgonRow &r = model.ProgonTable[std::size_t(row - 1)];
    r.Ruletka = tape;
    r.SetLevel = model.Lmax() - tape;
    r.Value = r.SetLevel;
    for (TProgonRow &each : model.ProgonTable)
        each.Current = model.ExpectedCurrent(each.SetLevel);
}

void CaptureProgonRow(Ttals352 &model, int row, double level, double current)
{
    if (row < 1 || row > int(model.ProgonTable.size()))
        return;
    TProgonRow &r = model.ProgonTable[std::size_t(row - 1)];
    r.Value = level;
    r.CurrentValue = current;
    model.RecomputeProgonDifferences();
}

TProgonShade ProgonLevelShade(double level, double setLevel)
{
    const double d = std::fabs(level - setLevel);
    if (d < 2)
        return TProgonShade::Green;
    if (d < 10)
        return TProgonShade::Yellow;
    return TProgonShade::None;
}

bool ProgonRowPasses(const TProgonRow &row)
{
    return std::fabs(row.DValue) < kProgonLevelTolerance &&
           !IsProgonCurrentMarked(row.DCurrentValue);
}

bool ProgonRunPasses(const Ttals352 &model)
{
    const int n = ProgonRowCount(model);
    for (int r = 0; r < n; ++r)
        if (!ProgonRowPasses(model.ProgonTable[std::size_t(r)]))
            return false;
    return n > 0;
}

QString ProgonVerdictText(bool passes)
{
    return passes ? QStringLiteral("Годен") : QStringLiteral("Не годен");
}

bool ProgonCurrentStale(TDateTime readingTime, TDateTime now, int pollPeriodMs)
{
    if (readingTime == 0 || pollPeriodMs <= 0)
        return false;
    return (now - readingTime) * 86400000.0 > 2.0 * pollPeriodMs;
}

QString ProgonStaleCurrentText(TDateTime readingTime, TDateTime now)
{
    const long long seconds = std::llround((now - readingTime) * 86400.0);
    return QStringLiteral("Показание тока устарело: измеритель тока не отвечает %1 с.\r"
                          "Значения не записаны.")
        .arg(seconds);
}

} // namespace tals
