#include "capture/ButtonWatcher.h"

#include "capture/CaptureDevice.h"
#include "capture/ThreadOwner.h"

namespace tavrel
{

namespace
{

using namespace std::chrono_literals;

// The design goes round again at once while it may not poll; a short wait
// keeps that from spinning.
constexpr auto kIdleRound = 10ms;
constexpr auto kPollPeriod = 50ms;
constexpr auto kLatchDelay = 500ms;

} // namespace

ButtonWatcher::ButtonWatcher(CaptureDevice& device, CLog& log, Hooks hooks)
    : m_device(device), m_log(log), m_hooks(std::move(hooks))
{
}

void ButtonWatcher::Run(std::stop_token stop)
{
    DeviceControl& control = m_device.Control();
    while (!stop.stop_requested())
    {
        if (!m_device.Ready() || !control.Present() || control.RegisterWriteBusy() == 1)
        {
            ThreadOwner::Wait(stop, kIdleRound);
            continue;
        }
        const auto value = m_hooks.mayRead() ? control.ReadButton() : std::nullopt;
        if (!value || *value == 0 || !m_hooks.pressed())
        {
            ThreadOwner::Wait(stop, kPollPeriod);
            continue;
        }
        if (!ThreadOwner::Wait(stop, kLatchDelay))
            break;
        const bool cleared = control.ClearButtonLatch();
        m_log.Write("Write Chip!\n");
        if (!cleared)
            ThreadOwner::Wait(stop, kPollPeriod);
    }
}

} // namespace tavrel
