#pragma once

namespace tals {

class TApplication;

// Registers the windows of the acceptance procedures with the started
// application: the measurement error test "FormTestDistances", the tube error
// test "FormTestTube" and the current-output run "FormProgon". The stepping
// objects of the two tests live in the factories, so their settings last for
// the whole run. Call after TApplication::Start and before the main window.
void RegisterAcceptanceWindows(TApplication &app);

} // namespace tals
