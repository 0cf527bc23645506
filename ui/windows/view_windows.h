#pragma once

namespace tals {

class TApplication;

// Registers the factories of the readings window "FormTals352I", the
// communications window "FormReqAns" and the parameters window "FormTalsPar"
// with the started application. The exchange
// counters and the link view they need live in the factories, so they last for
// the whole run. Call after TApplication::Start and before the main window.
void RegisterViewWindows(TApplication &app);

} // namespace tals
