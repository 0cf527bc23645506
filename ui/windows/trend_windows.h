#pragma once

// The trend windows as the main window opens them: "FormGraph1" ..
// "FormGraph7" for the seven quantities and the two multi-trend windows
// "FormMultiGraph" (level, distance, free space) and "FormMultiGraphTest"
// (the two test distances), each over the last day of the archive and live.

#include "ui/windows/form_trend_base.h"

namespace tals {

class TApplication;

// One trend slot: the quantity's archive name and device-model holder.
struct TTrendSlot
{
    int slot;
    const char *archiveName;
    const char *holderName;
};
extern const TTrendSlot kTrendSlots[7];

// The context of the program's trend windows (archive, operator input, program folder).
TTrendContext TrendContext(TApplication &app);

// Registers the window factories with the started application.
void RegisterTrendWindows(TApplication &app);

} // namespace tals
