#pragma once

#include "ui/application/main_services.h"

namespace tals {

// Waits in a local event loop: the windows repaint and the timers run, while
// the operator's input is held back until the wait is over.
class TEventLoopClock : public TWaitClock
{
public:
    void Wait(int milliseconds) override;
};

} // namespace tals
