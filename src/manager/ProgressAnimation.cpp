#include "manager/ProgressAnimation.h"

#include <chrono>

namespace tavrel
{

void CProgressAnimation::Start(IStatusBar* statusBar, const std::atomic<bool>& busy,
                               const std::atomic<bool>& closePending)
{
    Stop();
    m_thread = std::jthread(
        [this, statusBar, &busy, &closePending](std::stop_token stop)
        {
            if (closePending.load())
                return;
            int counter = 0;
            std::unique_lock lock(m_mutex);
            while (busy.load() && !closePending.load() && !stop.stop_requested())
            {
                ++counter;
                if (statusBar != nullptr)
                    statusBar->SetProgressPos(counter);
                if (counter >= 100)
                    counter = 0;
                m_wake.wait_for(lock, stop, std::chrono::milliseconds(10), [] { return false; });
            }
            if (statusBar != nullptr)
                statusBar->MoveProgressBar(RECT{0, 0, 0, 0});
        });
}

void CProgressAnimation::Stop()
{
    if (!m_thread.joinable())
        return;
    m_thread.request_stop();
    m_thread.join();
}

} // namespace tavrel
