#pragma once

// The synchronous hand-over of a call to the user-interface thread: a worker
// queues the call and waits until that thread has run it. The call waits in
// a queue guarded by a mutex, and the user-interface thread is woken through
// an event descriptor watched by its event loop, so nothing but the queue is
// shared between the threads. Created on the thread that runs the calls.

#include <QObject>

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

class QSocketNotifier;

namespace tals {

class THandOver
{
public:
    THandOver();
    ~THandOver();
    THandOver(const THandOver &) = delete;
    THandOver &operator=(const THandOver &) = delete;

    bool OnOwnerThread() const { return std::this_thread::get_id() == m_owner; }
    // Runs fn on the owner thread and returns once it has run (at once when
    // called there). Exceptions of fn are swallowed.
    void Run(const std::function<void()> &fn);
    // Runs the calls waiting now; for the owner while it waits for a worker.
    void ServePending();

private:
    struct TJob
    {
        const std::function<void()> *Fn;
        bool Done = false;
    };

    std::thread::id m_owner;
    std::mutex m_lock;
    std::condition_variable m_done;
    std::deque<TJob *> m_jobs;
    int m_wakeFd = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace tals
