#pragma once

// The rules of the current-output run over the model's run table: which row
// the level reading stands at, the tape entry, the capture and the marks of
// the grid.

#include "platform/date_time.h"

#include <QString>

namespace tals {

class Ttals352;
struct TProgonRow;

// A current difference above this many mA is marked.
inline constexpr double kProgonCurrentTolerance = 0.026;

// Rows in use: ProgonMode, at most the size of the table.
int ProgonRowCount(const Ttals352 &model);
// The first row 1..ProgonRowCount whose SetLevel lies within the gate of the
// level, or 0.
int ProgonCurrentRow(const Ttals352 &model, double level);
// Row 1..5: Ruletka := tape, SetLevel := Value := Lmax - tape; every row's
// Current from its SetLevel. The differences wait for the next capture.
void SetProgonRuletka(Ttals352 &model, int row, double tape);
// Row 1..5 takes the level and the current; the differences are recomputed.
void CaptureProgonRow(Ttals352 &model, int row, double level, double current);

enum class TProgonShade { None, Green, Yellow };
// Green within 2 mm of the set level, yellow from 2 to under 10 mm.
TProgonShade ProgonLevelShade(double level, double setLevel);
inline bool IsProgonCurrentMarked(double currentDifference)
{
    return currentDifference > kProgonCurrentTolerance;
}

// A level error below this many mm is the window's green.
inline constexpr double kProgonLevelTolerance = 2.0;
// A row passes when its level error is green and its current difference is
// not marked; the run passes when every row in use does.
bool ProgonRowPasses(const TProgonRow &row);
bool ProgonRunPasses(const Ttals352 &model);
// "Годен" or "Не годен".
QString ProgonVerdictText(bool passes);

// A current reading older than two poll periods: its meter stopped answering.
// Never stale before the first reading or without a known period.
bool ProgonCurrentStale(TDateTime readingTime, TDateTime now, int pollPeriodMs);
// The message refusing a capture with a stale current.
QString ProgonStaleCurrentText(TDateTime readingTime, TDateTime now);

} // namespace tals
