// V4L2 cameras as video sources. Such a camera has no still pin: a still is
// taken by stopping the preview stream, streaming at the still size for a
// few warm-up frames (exposure settles, stale buffers drain), keeping the
// next one, and going back to the preview format.
#include "capture/VideoSource.h"

#include "capture/VideoModes.h"
#include "capture/Yuy2Converter.h"
#include "capture/v4l2/V4l2Device.h"
#include "capture/v4l2/V4l2Frames.h"
#include "shared/camera/CameraControl.h"
#include "shared/camera/V4l2Devices.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>

namespace tavrel
{

namespace
{

constexpr int kStallPeriods = 3;       // frame periods without a frame before "stalled"
constexpr int kWarmUpFrames = 3;       // frames dropped after switching to the still size
constexpr int kStillAttemptsMs = 3000; // give up on a still after this long

class V4l2VideoSource final : public VideoSource
{
public:
    explicit V4l2VideoSource(std::unique_ptr<V4l2Device> device) : m_device(std::move(device))
    {
        if (auto c = ChooseCaptureMode(m_device->Modes(), {640, 480, 30}))
            m_preview = *c;
        if (auto s = ChooseStillMode(m_device->Modes(), 2592, 1944))
            m_still = *s;
        else
            m_still = m_preview;
    }
    ~V4l2VideoSource() override { Stop(); }

    bool SetCaptureFormat(const VideoFormat& wanted) override
    {
        auto c = ChooseCaptureMode(m_device->Modes(), wanted);
        if (!c)
            return false;
        std::lock_guard lock(m_mutex);
        m_preview = *c;
        return true;
    }
    VideoFormat CaptureFormat() const override
    {
        std::lock_guard lock(m_mutex);
        return m_preview.format;
    }
    bool SetStillSize(int width, int height) override
    {
        auto s = ChooseStillMode(m_device->Modes(), width, height);
        if (!s)
            return false;
        std::lock_guard lock(m_mutex);
        m_still = *s;
        return true;
    }
    bool Start(VideoCallbacks callbacks) override
    {
        if (m_thread.joinable())
            return true;
        ModeChoice preview;
        {
            std::lock_guard lock(m_mutex);
            preview = m_preview;
        }
        if (!m_device->StartStreaming(preview))
            return false;
        m_callbacks = std::move(callbacks);
        m_thread = std::jthread([this](std::stop_token stop) { Stream(stop); });
        return true;
    }
    void Stop() override
    {
        if (!m_thread.joinable())
            return;
        m_thread.request_stop();
        m_device->Wake();
        m_thread.join();
        m_thread = {};
        m_device->StopStreaming();
    }
    bool IsStreaming() const override { return m_thread.joinable() && !m_lost; }
    bool TriggerStill() override
    {
        if (!IsStreaming())
            return false;
        m_stillWanted = true;
        m_device->Wake();
        return true;
    }
    bool FiresStillOnButton() const override { return false; }

private:
    int PeriodMs(const ModeChoice& mode) const { return 1000 / std::max(1, mode.format.frameRate); }

    void Stream(std::stop_token stop)
    {
        bool stalled = false;
        int restarts = 0;
        while (!stop.stop_requested())
        {
            if (m_stillWanted.exchange(false))
            {
                if (!TakeStill(stop))
                    break;
                continue;
            }
            ModeChoice preview;
            {
                std::lock_guard lock(m_mutex);
                preview = m_preview;
            }
            const int periodMs = PeriodMs(m_device->Current());
            switch (m_device->WaitFrame(kStallPeriods * periodMs + 20))
            {
            case V4l2Device::Wait::Frame:
                if (stalled)
                {
                    stalled = false;
                    Notify(StreamEvent::Recovered);
                }
                restarts = 0;
                DeliverFrame();
                m_device->Requeue();
                break;
            case V4l2Device::Wait::Woken:
                break;
            case V4l2Device::Wait::Timeout:
                if (!stalled)
                {
                    stalled = true;
                    Notify(StreamEvent::Stalled);
                }
                // Restarting the stream clears a camera that stopped sending
                // without going away; back off so a dead one costs little.
                if (++restarts > 5)
                    m_device->WaitFrame(std::min(1000, 100 * restarts));
                if (!m_device->StartStreaming(preview))
                {
                    Lose();
                    return;
                }
                break;
            case V4l2Device::Wait::Gone:
                Lose();
                return;
            }
        }
    }

    void Lose()
    {
        m_lost = true;
        m_device->StopStreaming();
        Notify(StreamEvent::Lost);
    }

    void DeliverFrame()
    {
        const ModeChoice& mode = m_device->Current();
        if (!m_device->FrameData() || m_device->FrameBytes() == 0 || !m_callbacks.frame)
            return;
        if (!FrameToBgr(mode.pixelFormat, mode.format.width, mode.format.height,
                        m_device->FrameData(), m_device->FrameBytes(), m_frame))
            return;
        m_callbacks.frame(VideoFrame{m_frame.width, m_frame.height, m_frame.bgr.data()});
    }

    // False when the device is gone (the stream has then been reported lost).
    bool TakeStill(std::stop_token stop)
    {
        ModeChoice still, preview;
        {
            std::lock_guard lock(m_mutex);
            still = m_still;
            preview = m_preview;
        }
        m_device->StopStreaming();
        bool delivered = false;
        if (m_device->StartStreaming(still))
        {
            const ModeChoice& mode = m_device->Current();
            int frames = 0;
            const int waitMs = kStallPeriods * PeriodMs(mode) + 20;
            for (int spent = 0; !delivered && spent < kStillAttemptsMs && !stop.stop_requested();
                 spent += waitMs)
            {
                const auto result = m_device->WaitFrame(waitMs);
                if (result == V4l2Device::Wait::Gone)
                    break;
                if (result != V4l2Device::Wait::Frame)
                    continue;
                if (++frames > kWarmUpFrames && m_device->FrameBytes() > 0 &&
                    FrameToYuy2(mode.pixelFormat, mode.format.width, mode.format.height,
                                m_device->FrameData(), m_device->FrameBytes(), m_still422))
                {
                    if (m_callbacks.still)
                        m_callbacks.still(VideoStill{mode.format.width, mode.format.height,
                                                     m_still422.data(), m_still422.size()});
                    delivered = true;
                }
                m_device->Requeue();
            }
        }
        m_device->StopStreaming();
        if (!m_device->StartStreaming(preview))
        {
            Lose();
            return false;
        }
        return true;
    }

    void Notify(StreamEvent event)
    {
        if (m_callbacks.event)
            m_callbacks.event(event);
    }

    std::unique_ptr<V4l2Device> m_device;
    mutable std::mutex m_mutex;
    ModeChoice m_preview;
    ModeChoice m_still;
    std::atomic<bool> m_stillWanted{false};
    std::atomic<bool> m_lost{false};
    VideoCallbacks m_callbacks;
    tavrel::DecodedFrame m_frame;
    std::vector<std::uint8_t> m_still422;
    std::jthread m_thread;
};

class V4l2VideoBackend final : public VideoBackend
{
public:
    std::vector<VideoDeviceInfo> Enumerate() override
    {
        std::vector<VideoDeviceInfo> out;
        for (const auto& d : tavrel::EnumerateV4l2Devices(tavrel::CurrentV4l2Roots()))
            out.push_back({d.devicePath, d.friendlyName});
        return out;
    }
    std::unique_ptr<VideoSource> Open(const std::string& path) override
    {
        for (const auto& d : tavrel::EnumerateV4l2Devices(tavrel::CurrentV4l2Roots()))
        {
            if (d.devicePath != path)
                continue;
            auto device = std::make_unique<V4l2Device>();
            if (!device->Open(d.node))
                return nullptr;
            return std::make_unique<V4l2VideoSource>(std::move(device));
        }
        return nullptr;
    }
};

} // namespace

std::unique_ptr<VideoBackend> MakeV4l2VideoBackend()
{
    return std::make_unique<V4l2VideoBackend>();
}

std::unique_ptr<VideoBackend> MakeDefaultVideoBackend()
{
    if (tavrel::CurrentScannerBackend() == tavrel::ScannerBackend::Simulated)
        return MakeSimulatedVideoBackend();
    return MakeV4l2VideoBackend();
}

} // namespace tavrel
