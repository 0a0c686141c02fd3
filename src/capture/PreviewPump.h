#pragma once
// The preview worker: after a first second it draws the camera's frames
// through the profile's preview processing at the preview frame's width,
// every 10 ms in still mode and every 300 ms otherwise, and publishes each
// as a shared picture that no one changes afterwards. A frame is drawn only
// when there is something new to show: a frame from the camera, a change of
// the profile, or a request (command 1006).

#include "capture/CaptureDevice.h"
#include "capture/ProfileControls.h"
#include "imaging/ProcessingChain.h"
#include "imaging/cwimage/dib/Dib.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>

namespace tavrel
{

class PreviewPump
{
public:
    struct Hooks
    {
        std::function<bool()> enabled;      // previewEnabled
        std::function<bool()> fastPace;     // still mode
        std::function<bool()> holdingStill; // the last still is too recent
        std::function<FrameMargins()> crop; // the preview margins
        std::function<void()> started;      // after the first second
        std::function<void()> frameReady;   // a frame was published
    };

    PreviewPump(CaptureDevice& device, ProfileControls& profile, Hooks hooks);

    // The preview worker's body; ends when `stop` is requested.
    void Run(std::stop_token stop);
    // Command 1006: one frame now, also while the preview is paused.
    void Request();
    // Width of the preview frame control; 0 (no control) draws nothing.
    void SetTargetWidth(int width);

    // The last frame published; null before the first.
    std::shared_ptr<const CDib> Latest() const;

private:
    bool Pause(std::stop_token stop, std::chrono::milliseconds period);
    void Render();

    CaptureDevice& m_device;
    ProfileControls& m_profile;
    Hooks m_hooks;
    std::atomic<int> m_targetWidth{0};

    mutable std::mutex m_mutex;
    std::condition_variable_any m_wake;
    bool m_requested = false;
    std::shared_ptr<const CDib> m_latest;

    // The worker's own: the frame last taken from the camera.
    CDib m_frame;
    std::uint64_t m_frameSequence = 0;
    std::uint64_t m_drawnRevision = ~std::uint64_t(0);
    int m_drawnWidth = 0;
};

} // namespace tavrel
