#pragma once
// The storage run's progress animation: one thread per run that sweeps the
// status bar's progress bar (one step per 10 ms) while the busy flag is set
// and no close is pending, then hides the bar.

#include "manager/StatusBarPane.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace tavrel
{

class CProgressAnimation
{
public:
    CProgressAnimation() = default;
    ~CProgressAnimation() { Stop(); }
    CProgressAnimation(const CProgressAnimation&) = delete;
    CProgressAnimation& operator=(const CProgressAnimation&) = delete;

    // Starts the thread of a new run (joining the previous one first).
    void Start(IStatusBar* statusBar, const std::atomic<bool>& busy,
               const std::atomic<bool>& closePending);
    // Wakes the thread so that it sees the flags at once, and joins it.
    void Stop();
    bool Running() const { return m_thread.joinable(); }

private:
    std::jthread m_thread;
    std::mutex m_mutex;
    std::condition_variable_any m_wake;
};

} // namespace tavrel
