#pragma once
// The storage run's progress animation: while the busy flag is set and no
// close is pending, the status bar's progress bar advances one step every
// 10 ms (a full sweep per second); then the bar is hidden. It ticks on the
// UI thread's loop, which goes on running while the picture is written.

#include "manager/StatusBarPane.h"

#include <atomic>

namespace tavrel
{

class EventLoop;

class CProgressAnimation
{
public:
    // Without a loop the bar is only placed and hidden.
    explicit CProgressAnimation(EventLoop* loop) : m_loop(loop) {}
    ~CProgressAnimation() { Stop(); }
    CProgressAnimation(const CProgressAnimation&) = delete;
    CProgressAnimation& operator=(const CProgressAnimation&) = delete;

    // A new run; nothing moves when a close is already pending.
    void Start(IStatusBar* statusBar, const std::atomic<bool>& busy,
               const std::atomic<bool>& closePending);
    // The run's end: the bar is hidden unless the run started closing.
    void Stop();
    bool Running() const { return m_statusBar != nullptr; }

private:
    void Step();

    EventLoop* m_loop;
    IStatusBar* m_statusBar = nullptr;
    const std::atomic<bool>* m_busy = nullptr;
    const std::atomic<bool>* m_closePending = nullptr;
    int m_counter = 0;
};

} // namespace tavrel
