#pragma once

namespace tals {

class TApplication;

// Registers the factories of the array windows "FormSpectrum", "FormSignal"
// and "FormNevyzka" with the started application.
void RegisterArrayWindows(TApplication &app);

} // namespace tals
