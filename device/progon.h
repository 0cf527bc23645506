#pragma once

// The rules of the current-output run over the model's run table: which row
// the level reading stands at, the tape entry, the capture and the marks of
// the grid.

namespace tals {

class Ttals352;

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

} // namespace tals
