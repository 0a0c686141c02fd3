#pragma once
// A camera as the capture graph sees it: preview frames at a negotiated
// format and single stills at the still size.
//
// Lifetime rules:
// - A VideoSource comes from its backend's Open and is owned by one
//   CCaptureGraph; all its methods are called from that owner's thread
//   except TriggerStill, which may come from any thread.
// - Start launches the source's streaming thread; the callbacks run only on
//   it, never after Stop (or the destructor) has returned, and never two at
//   once. A callback must not call Stop.
// - Buffers handed to a callback are valid during the call only.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tavrel
{

struct VideoFormat
{
    int width = 0;
    int height = 0;
    int frameRate = 0;
};

struct VideoDeviceInfo
{
    std::string path; // Windows-style device path, lower case
    std::string name; // friendly name
};

// A preview frame: 24 bits, blue, green, red, rows top-down, 3 x width bytes
// apart (no padding).
struct VideoFrame
{
    int width = 0;
    int height = 0;
    const std::uint8_t* bgr = nullptr;
};

// A still: packed 4:2:2 (Y0 U Y1 V), rows of 2 x width bytes.
struct VideoStill
{
    int width = 0;
    int height = 0;
    const std::uint8_t* yuy2 = nullptr;
    std::size_t bytes = 0;
};

enum class StreamEvent
{
    Stalled,   // no frame for several frame periods; the source keeps trying
    Recovered, // frames arrive again
    Lost       // the device is gone; the source has stopped streaming
};

struct VideoCallbacks
{
    std::function<void(const VideoFrame&)> frame;
    std::function<void(const VideoStill&)> still;
    std::function<void(StreamEvent)> event;
};

class VideoSource
{
public:
    virtual ~VideoSource() = default;

    // Asks for `wanted`; the source picks the nearest mode it offers.
    virtual bool SetCaptureFormat(const VideoFormat& wanted) = 0;
    virtual VideoFormat CaptureFormat() const = 0;
    // The still size; a size the camera does not offer leaves the current one.
    virtual bool SetStillSize(int width, int height) = 0;
    virtual bool Start(VideoCallbacks callbacks) = 0;
    virtual void Stop() = 0;
    virtual bool IsStreaming() const = 0;
    // Asks for one still, delivered later on the streaming thread.
    virtual bool TriggerStill() = 0;
    // True when the camera takes a still by itself on its own button (the
    // still pin fires without a trigger from the program).
    virtual bool FiresStillOnButton() const = 0;
};

class VideoBackend
{
public:
    virtual ~VideoBackend() = default;
    virtual std::vector<VideoDeviceInfo> Enumerate() = 0;
    virtual std::unique_ptr<VideoSource> Open(const std::string& path) = 0;
};

// The simulated scanner's camera; V4L2 devices.
std::unique_ptr<VideoBackend> MakeSimulatedVideoBackend();
std::unique_ptr<VideoBackend> MakeV4l2VideoBackend();
// The backend chosen like the camera control component's (simulated or V4L2).
std::unique_ptr<VideoBackend> MakeDefaultVideoBackend();

} // namespace tavrel
