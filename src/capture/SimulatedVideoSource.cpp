// The simulated scanner's camera: frames of the built-in test slide as the
// shared scanner state shows it (film, programmed registers, plugged in).
#include "capture/VideoModes.h"
#include "capture/VideoSource.h"

#include "shared/camera/SimulatedFrames.h"
#include "shared/camera/SimulatedScanner.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace tavrel
{

namespace
{

using namespace std::chrono_literals;

// Frame periods without a frame before the stream counts as stalled.
constexpr int kStallPeriods = 3;
constexpr auto kButtonStillDelay = 150ms;

std::vector<VideoMode> SimulatedModes()
{
    std::vector<VideoMode> modes;
    const int sizes[][2] = {{320, 240},  {640, 480},   {800, 600},   {1024, 768},
                            {1280, 960}, {1600, 1200}, {2048, 1536}, {2592, 1944}};
    for (const auto& s : sizes)
        modes.push_back({PixelFormat::Yuyv, s[0], s[1],
                         s[0] <= 1280 ? std::vector<int>{30, 15} : std::vector<int>{15, 5}});
    return modes;
}

bool SameConditions(const tavrel::SlideConditions& a, const tavrel::SlideConditions& b)
{
    return a.film == b.film && a.sensor == b.sensor && a.exposureGain == b.exposureGain;
}

class SimulatedVideoSource final : public VideoSource
{
public:
    SimulatedVideoSource() : m_modes(SimulatedModes()) { m_format = {640, 480, 30}; }
    ~SimulatedVideoSource() override { Stop(); }

    bool SetCaptureFormat(const VideoFormat& wanted) override
    {
        const auto choice = ChooseCaptureMode(m_modes, wanted);
        if (!choice)
            return false;
        std::lock_guard lock(m_mutex);
        m_format = choice->format;
        return true;
    }
    VideoFormat CaptureFormat() const override
    {
        std::lock_guard lock(m_mutex);
        return m_format;
    }
    bool SetStillSize(int width, int height) override
    {
        if (!ChooseStillMode(m_modes, width, height))
            return false;
        std::lock_guard lock(m_mutex);
        m_stillWidth = width;
        m_stillHeight = height;
        return true;
    }
    bool Start(VideoCallbacks callbacks) override
    {
        if (m_thread.joinable())
            return true;
        m_callbacks = std::move(callbacks);
        m_thread = std::jthread([this](std::stop_token stop) { Stream(stop); });
        return true;
    }
    void Stop() override
    {
        if (!m_thread.joinable())
            return;
        m_thread.request_stop();
        m_wake.notify_all();
        m_thread.join();
        m_thread = {};
    }
    bool IsStreaming() const override { return m_thread.joinable(); }
    bool TriggerStill() override
    {
        // Like a still-pin trigger, this only asks: a camera that has gone
        // meanwhile simply delivers nothing.
        if (!m_thread.joinable())
            return false;
        m_stillWanted = true;
        m_wake.notify_all();
        return true;
    }
    bool FiresStillOnButton() const override { return true; }

private:
    void Stream(std::stop_token stop)
    {
        int missed = 0;
        bool stalled = false;
        std::uint32_t lastButton = 0;
        // No still pending while it is max().
        auto buttonStillAt = std::chrono::steady_clock::time_point::max();
        bool firstRound = true;
        while (!stop.stop_requested())
        {
            VideoFormat format;
            {
                std::unique_lock lock(m_mutex);
                format = m_format;
                const auto period = std::chrono::milliseconds(1000 / std::max(1, format.frameRate));
                if (!firstRound)
                    m_wake.wait_for(lock, stop, period, [this] { return m_stillWanted.load(); });
            }
            firstRound = false;
            if (stop.stop_requested())
                break;
            const auto state = tavrel::SimScanner::Load();
            if (!state || !state->plugged)
            {
                m_stillWanted = false; // a camera that is gone takes no picture
                if (++missed == kStallPeriods && !stalled)
                {
                    stalled = true;
                    Notify(StreamEvent::Stalled);
                }
                lastButton = 0;
                continue;
            }
            missed = 0;
            if (stalled)
            {
                stalled = false;
                Notify(StreamEvent::Recovered);
            }
            const tavrel::SlideConditions conditions = tavrel::SlideConditionsFromState(*state);
            if (!m_cacheValid || !SameConditions(conditions, m_cachedConditions) ||
                m_cachedFormat.width != format.width || m_cachedFormat.height != format.height)
            {
                m_frame.resize(std::size_t(format.width) * format.height * 3);
                if (!tavrel::RenderSlideRgb24(conditions, format.width, format.height,
                                              m_frame.data(), std::size_t(format.width) * 3))
                    continue;
                m_cachedConditions = conditions;
                m_cachedFormat = format;
                m_cacheValid = true;
            }
            if (m_callbacks.frame)
                m_callbacks.frame(VideoFrame{format.width, format.height, m_frame.data()});
            // The camera takes a still on its own button, as its still pin
            // does, after the exposure a still needs (about 150 ms), by which
            // time a program polling the button has armed its capture.
            const auto now = std::chrono::steady_clock::now();
            if (state->button != 0 && lastButton == 0)
                buttonStillAt = now + kButtonStillDelay;
            lastButton = state->button;
            bool buttonStill = false;
            if (now >= buttonStillAt)
            {
                buttonStill = true;
                buttonStillAt = std::chrono::steady_clock::time_point::max();
            }
            if (m_stillWanted.exchange(false) || buttonStill)
                DeliverStill(conditions);
        }
    }

    void DeliverStill(const tavrel::SlideConditions& conditions)
    {
        int width, height;
        {
            std::lock_guard lock(m_mutex);
            width = m_stillWidth;
            height = m_stillHeight;
        }
        const std::vector<std::uint8_t> still = tavrel::RenderSlideYuy2(conditions, width, height);
        if (still.empty() || !m_callbacks.still)
            return;
        m_callbacks.still(VideoStill{width, height, still.data(), still.size()});
    }

    void Notify(StreamEvent event)
    {
        if (m_callbacks.event)
            m_callbacks.event(event);
    }

    const std::vector<VideoMode> m_modes;
    mutable std::mutex m_mutex;
    std::condition_variable_any m_wake;
    VideoFormat m_format;
    int m_stillWidth = 2592;
    int m_stillHeight = 1944;
    std::atomic<bool> m_stillWanted{false};
    VideoCallbacks m_callbacks;
    std::vector<std::uint8_t> m_frame;
    tavrel::SlideConditions m_cachedConditions;
    VideoFormat m_cachedFormat;
    bool m_cacheValid = false;
    std::jthread m_thread;
};

class SimulatedVideoBackend final : public VideoBackend
{
public:
    std::vector<VideoDeviceInfo> Enumerate() override
    {
        const auto state = tavrel::SimScanner::Load();
        if (!state || !state->plugged)
            return {};
        return {VideoDeviceInfo{tavrel::kSimulatedDevicePath, tavrel::kSimulatedDeviceName}};
    }
    std::unique_ptr<VideoSource> Open(const std::string& path) override
    {
        if (path != tavrel::kSimulatedDevicePath)
            return nullptr;
        return std::make_unique<SimulatedVideoSource>();
    }
};

} // namespace

std::unique_ptr<VideoBackend> MakeSimulatedVideoBackend()
{
    return std::make_unique<SimulatedVideoBackend>();
}

} // namespace tavrel
