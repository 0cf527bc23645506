#include "link/hand_over.h"

#include <QSocketNotifier>

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

namespace tals {

THandOver::THandOver() : m_owner(std::this_thread::get_id())
{
    m_wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (m_wakeFd >= 0) {
        m_notifier = std::make_unique<QSocketNotifier>(m_wakeFd, QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(),
                         [this] { ServePending(); });
    }
}

THandOver::~THandOver()
{
    // Whoever still waits is released; its call is not run.
    {
        std::lock_guard lock(m_lock);
        for (TJob *job : m_jobs)
            job->Done = true;
        m_jobs.clear();
    }
    m_done.notify_all();
    m_notifier.reset();
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
}

void THandOver::Run(const std::function<void()> &fn)
{
    if (OnOwnerThread() || m_wakeFd < 0) {
        try {
            fn();
        } catch (...) {
        }
        return;
    }
    TJob job{&fn};
    std::unique_lock lock(m_lock);
    m_jobs.push_back(&job);
    const std::uint64_t one = 1;
    if (::write(m_wakeFd, &one, sizeof one) < 0) {
        // The counter is full only when the owner is far behind; it wakes anyway.
    }
    m_done.wait(lock, [&] { return job.Done; });
}

void THandOver::ServePending()
{
    std::uint64_t count = 0;
    if (m_wakeFd >= 0 && ::read(m_wakeFd, &count, sizeof count) < 0) {
        // Nothing signalled: the queue may still hold a call queued meanwhile.
    }
    for (;;) {
        TJob *job = nullptr;
        {
            std::lock_guard lock(m_lock);
            if (m_jobs.empty())
                return;
            job = m_jobs.front();
            m_jobs.pop_front();
        }
        try {
            (*job->Fn)();
        } catch (...) {
        }
        {
            std::lock_guard lock(m_lock);
            job->Done = true;
        }
        m_done.notify_all();
    }
}

} // namespace tals
