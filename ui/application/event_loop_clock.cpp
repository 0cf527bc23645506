#include "ui/application/event_loop_clock.h"

#include <QEventLoop>
#include <QTimer>

namespace tals {

void TEventLoopClock::Wait(int milliseconds)
{
    if (milliseconds <= 0)
        return;
    QEventLoop loop;
    QTimer::singleShot(milliseconds, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    // Input given during the wait must not start another command inside this one.
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

} // namespace tals
