#pragma once

namespace tals {

class TApplication;

// Registers the factories of the bus scan "FormScan", the identification
// window "FormSignature" and the about window "FormAbout" with the started
// application. Call after TApplication::Start and before the main window.
void RegisterScanWindows(TApplication &app);

} // namespace tals
