#include "link/request_thread.h"

namespace tals {

TRequestThread::TRequestThread(std::function<void()> step, QObject *parent)
    : QThread(parent), m_step(std::move(step))
{
    setObjectName(QStringLiteral("RequestThread"));
}

TRequestThread::~TRequestThread()
{
    Terminate();
    wait();
    // Qt's wait is invisible to race checkers: taking our own lock once more
    // orders the body's last use of the lock and the condition before their
    // destruction.
    std::lock_guard lock(m_stateLock);
}

void TRequestThread::Resume()
{
    std::lock_guard lock(m_stateLock);
    if (m_running)
        return;
    m_resumed = true;
    m_wake.notify_all();
}

void TRequestThread::Terminate()
{
    std::lock_guard lock(m_stateLock);
    m_terminated = true;
    m_wake.notify_all();
}

bool TRequestThread::Terminated() const
{
    std::lock_guard lock(m_stateLock);
    return m_terminated;
}

bool TRequestThread::Suspended() const
{
    std::lock_guard lock(m_stateLock);
    return !m_running;
}

bool TRequestThread::Idle() const
{
    std::lock_guard lock(m_stateLock);
    return !m_running && !m_resumed;
}

int TRequestThread::StepCount() const
{
    std::lock_guard lock(m_stateLock);
    return m_steps;
}

void TRequestThread::run()
{
    std::unique_lock lock(m_stateLock);
    for (;;) {
        m_wake.wait(lock, [this] { return m_resumed || m_terminated; });
        if (m_terminated)
            break;
        m_resumed = false;
        m_running = true;
        lock.unlock();
        try {
            if (m_step)
                m_step();
        } catch (...) {
            // A failed step is abandoned; the next resumption runs the next one.
        }
        lock.lock();
        m_running = false;
        ++m_steps;
    }
    m_finished = true;
    m_wake.notify_all();
}

bool TRequestThread::WaitFinished(int milliseconds)
{
    std::unique_lock lock(m_stateLock);
    return m_wake.wait_for(lock, std::chrono::milliseconds(milliseconds),
                           [this] { return m_finished; });
}

} // namespace tals
