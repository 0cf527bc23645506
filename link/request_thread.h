#pragma once

// The polling worker. It is created suspended; each Resume runs the step
// once, after which the thread suspends itself again. Resuming a thread that
// is running its step has no effect, so steps never pile up. Terminate asks
// the body to end and wakes it.

#include <QThread>

#include <condition_variable>
#include <functional>
#include <mutex>

namespace tals {

class TRequestThread : public QThread
{
public:
    explicit TRequestThread(std::function<void()> step, QObject *parent = nullptr);
    ~TRequestThread() override;

    // Wakes the suspended worker for one step; no effect while a step runs.
    void Resume();
    // The body ends at its next suspension (or at once when suspended).
    void Terminate();
    bool Terminated() const;
    bool Suspended() const;
    // Neither running a step nor woken for one.
    bool Idle() const;
    // Steps completed since creation.
    int StepCount() const;
    // Waits up to milliseconds for the body to end; true once it has.
    bool WaitFinished(int milliseconds);

    // Held by the poll tick around Resume.
    std::mutex &RequestLock() { return m_requestLock; }

protected:
    void run() override;

private:
    std::function<void()> m_step;
    mutable std::mutex m_stateLock;
    std::condition_variable m_wake;
    bool m_resumed = false;
    bool m_running = false;
    bool m_terminated = false;
    bool m_finished = false;
    int m_steps = 0;
    std::mutex m_requestLock;
};

} // namespace tals
