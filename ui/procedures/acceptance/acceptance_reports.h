#pragma once

// Filling the printed reports of the tube test and the current-output run from
// their windows.

namespace tals {

class TFormProgon;
class TRepProgon;
class TRepTestTube;
struct TTubeReport;

// Title, axis ranges and error points of the tube test.
void FillTubeReport(TRepTestTube &report, const TTubeReport &data);
// Title, the transducer's identity and coefficients, the five run rows and
// the run chart as the window shows it.
void FillProgonReport(TRepProgon &report, TFormProgon &window);

} // namespace tals
