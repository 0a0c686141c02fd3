#include "capture/PreviewPump.h"

namespace tavrel
{

namespace
{
using namespace std::chrono_literals;
} // namespace

PreviewPump::PreviewPump(CaptureDevice& device, ProfileControls& profile, Hooks hooks)
    : m_device(device), m_profile(profile), m_hooks(std::move(hooks))
{
}

void PreviewPump::Request()
{
    {
        std::lock_guard lock(m_mutex);
        m_requested = true;
    }
    m_wake.notify_all();
}

void PreviewPump::SetTargetWidth(int width)
{
    m_targetWidth = width > 0 ? width : 0;
    Request();
}

std::shared_ptr<const CDib> PreviewPump::Latest() const
{
    std::lock_guard lock(m_mutex);
    return m_latest;
}

bool PreviewPump::Pause(std::stop_token stop, std::chrono::milliseconds period)
{
    std::unique_lock lock(m_mutex);
    m_wake.wait_for(lock, stop, period, [this] { return m_requested; });
    return !stop.stop_requested();
}

void PreviewPump::Run(std::stop_token stop)
{
    if (!Pause(stop, 1000ms))
        return;
    m_hooks.started();
    while (!stop.stop_requested())
    {
        bool requested = false;
        {
            std::lock_guard lock(m_mutex);
            std::swap(requested, m_requested);
        }
        if (requested)
            m_drawnRevision = ~std::uint64_t(0); // draw even without news
        if (m_hooks.enabled() || requested)
            Render();
        if (!Pause(stop, m_hooks.fastPace() ? 10ms : 300ms))
            break;
    }
}

void PreviewPump::Render()
{
    const int width = m_targetWidth;
    if (width <= 0)
        return;
    bool news = false;
    if (!m_frame.HasPixels() || !m_hooks.holdingStill())
    {
        const std::uint64_t sequence = m_device.FrameSequence();
        if (sequence != m_frameSequence || !m_frame.HasPixels())
        {
            CDib frame;
            if (!m_device.GrabFrame(frame))
                return;
            // Once per frame: the frame is kept and drawn again.
            m_profile.ApplyCalibration(frame);
            m_frame.Swap(frame);
            m_frameSequence = sequence;
            news = true;
        }
    }
    const std::uint64_t revision = m_profile.Revision();
    if (!news && revision == m_drawnRevision && width == m_drawnWidth)
        return;
    const FrameMargins crop = m_hooks.crop();
    std::unique_ptr<CDib> shown = m_profile.Use(
        [&](CImageProfile& profile) { return MakePreviewFrame(profile, m_frame, crop, width); });
    if (!shown)
        return;
    m_drawnRevision = revision;
    m_drawnWidth = width;
    {
        std::lock_guard lock(m_mutex);
        m_latest = std::shared_ptr<const CDib>(std::move(shown));
    }
    m_hooks.frameReady();
}

} // namespace tavrel
