#include "manager/ProgressAnimation.h"

#include "platform/EventLoop.h"

#include <chrono>

namespace tavrel
{

namespace
{

constexpr unsigned kProgressTimer = 1;
constexpr auto kProgressStep = std::chrono::milliseconds(10);

} // namespace

void CProgressAnimation::Start(IStatusBar* statusBar, const std::atomic<bool>& busy,
                               const std::atomic<bool>& closePending)
{
    Stop();
    if (statusBar == nullptr || closePending.load())
        return;
    m_statusBar = statusBar;
    m_busy = &busy;
    m_closePending = &closePending;
    m_counter = 0;
    if (m_loop != nullptr)
        m_loop->SetTimer(kProgressTimer, kProgressStep, [this] { Step(); });
}

void CProgressAnimation::Step()
{
    if (m_statusBar == nullptr)
        return;
    if (!m_busy->load() || m_closePending->load())
    {
        Stop();
        return;
    }
    m_statusBar->SetProgressPos(++m_counter);
    if (m_counter >= 100)
        m_counter = 0;
}

void CProgressAnimation::Stop()
{
    if (m_statusBar == nullptr)
        return;
    if (m_loop != nullptr)
        m_loop->KillTimer(kProgressTimer);
    IStatusBar* statusBar = m_statusBar;
    m_statusBar = nullptr;
    statusBar->MoveProgressBar(RECT{0, 0, 0, 0});
}

} // namespace tavrel
