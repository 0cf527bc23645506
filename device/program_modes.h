#pragma once

#include <atomic>

namespace tals {

// The program-wide operating modes. One object for the whole run, owned by the
// application and handed to whoever needs it (the device model reads
// HighFrequencyMode for its synthesizer limits; long operations poll StopRequested).
struct TProgramModes
{
    bool FullAccessMode = false;
    bool HighFrequencyMode = false;
    bool ZelvinMode = false;
    std::atomic<bool> StopRequested{false};
};

} // namespace tals
