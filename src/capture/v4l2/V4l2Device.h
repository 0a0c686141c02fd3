#pragma once
// One V4L2 capture node with mmap streaming: the modes it offers, a format
// applied, buffers queued, and timed waits for the next frame.

#include "capture/VideoModes.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tavrel
{

class V4l2Device
{
public:
    enum class Wait
    {
        Frame,   // a frame was taken; see Frame()
        Timeout, // nothing within the time given
        Woken,   // Wake() was called
        Gone     // the device went away or failed
    };

    V4l2Device() = default;
    ~V4l2Device();
    V4l2Device(const V4l2Device&) = delete;
    V4l2Device& operator=(const V4l2Device&) = delete;

    bool Open(const std::string& node);
    void Close();
    const std::vector<VideoMode>& Modes() const { return m_modes; }

    bool StartStreaming(const ModeChoice& mode);
    void StopStreaming();
    bool Streaming() const { return m_streaming; }
    // Waits at most `timeoutMs` for a frame or a Wake.
    Wait WaitFrame(int timeoutMs);
    // The frame WaitFrame took, valid until Requeue.
    const std::uint8_t* FrameData() const { return m_frameData; }
    std::size_t FrameBytes() const { return m_frameBytes; }
    void Requeue();
    // Thread-safe: makes a pending WaitFrame return Woken.
    void Wake();

    const ModeChoice& Current() const { return m_current; }

private:
    struct Buffer
    {
        void* start = nullptr;
        std::size_t length = 0;
    };
    void ReadModes();
    void ReleaseBuffers();

    int m_fd = -1;
    int m_wakeFd = -1;
    std::vector<VideoMode> m_modes;
    std::vector<Buffer> m_buffers;
    bool m_streaming = false;
    int m_takenIndex = -1;
    const std::uint8_t* m_frameData = nullptr;
    std::size_t m_frameBytes = 0;
    ModeChoice m_current;
};

} // namespace tavrel
