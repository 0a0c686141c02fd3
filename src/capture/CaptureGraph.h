#pragma once
// The capture graph: finds the scanner's camera among the video devices by
// the ids of "DeviceSel.xml", opens it through a VideoSource backend with
// the format of "sensor.xml", and keeps the latest preview frame the way a
// sample grabber does (a copy of its current buffer on request). Stills go
// to a callback on the source's streaming thread.

#include "capture/SensorProfile.h"
#include "capture/VideoSource.h"
#include "platform/Paths.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace tavrel
{

// The 40-byte bitmap header of the grabber's connected format.
struct BitmapInfoHeader
{
    std::uint32_t biSize = 40;
    std::int32_t biWidth = 0;
    std::int32_t biHeight = 0; // positive: rows bottom-up
    std::uint16_t biPlanes = 1;
    std::uint16_t biBitCount = 24;
    std::uint32_t biCompression = 0; // BI_RGB
    std::uint32_t biSizeImage = 0;
    std::int32_t biXPelsPerMeter = 0;
    std::int32_t biYPelsPerMeter = 0;
    std::uint32_t biClrUsed = 0;
    std::uint32_t biClrImportant = 0;
};
static_assert(sizeof(BitmapInfoHeader) == 40);

constexpr int kMaxMatchedDevices = 10;

class CCaptureGraph
{
public:
    using StillCallback = std::function<void(const VideoStill&)>;
    using EventCallback = std::function<void(StreamEvent)>;

    // Reads "DeviceSel.xml" from `currentFolder` and "sensor.xml" from
    // `moduleFolder` ("" = the working directory for both).
    explicit CCaptureGraph(std::unique_ptr<VideoBackend> backend, std::string currentFolder = {},
                           std::string moduleFolder = {});
    ~CCaptureGraph();
    CCaptureGraph(const CCaptureGraph&) = delete;
    CCaptureGraph& operator=(const CCaptureGraph&) = delete;

    bool LoadAcceptedIds();
    void LoadGraphSettings();

    // 0 when at least one device matches an accepted id, else -1.
    int FindDevices();
    // FindDevices, then open the first match with the capture and still
    // formats; false (everything released) on any failure.
    bool Build();
    bool IsBuilt() const { return m_source != nullptr; }
    // Starts streaming; the still callback only in still mode.
    bool StartPreview(StillCallback still, EventCallback event);
    bool IsStreaming() const;
    void StopAndRelease();

    // A copy of the current buffer: bottom-up 24-bit rows padded to 4 bytes;
    // empty before the first frame.
    std::vector<std::uint8_t> GrabFrame();
    // The same with the format of that very buffer.
    std::vector<std::uint8_t> GrabFrame(BitmapInfoHeader& header);
    // False before the first frame.
    bool GetFrameFormat(int& width, int& height, BitmapInfoHeader& header) const;
    // Counts frames received, so a caller can tell a new frame from the last.
    std::uint64_t FrameSequence() const;
    bool TriggerStill();
    bool SourceFiresStillOnButton() const;

    const std::vector<std::string>& AcceptedIds() const { return m_acceptedIds; }
    const std::vector<std::string>& MatchedPaths() const { return m_matchedPaths; }
    const std::vector<std::string>& MatchedNames() const { return m_matchedNames; }
    const GraphSettings& Settings() const { return m_settings; }
    int StillMode() const { return m_settings.stillMode; }
    VideoFormat CaptureFormat() const;

private:
    void OnFrame(const VideoFrame& frame);

    std::unique_ptr<VideoBackend> m_backend;
    std::string m_currentFolder;
    std::string m_moduleFolder;
    std::vector<std::string> m_acceptedIds;
    std::vector<std::string> m_matchedPaths;
    std::vector<std::string> m_matchedNames;
    GraphSettings m_settings;
    std::unique_ptr<VideoSource> m_source;

    mutable std::mutex m_frameMutex;
    std::vector<std::uint8_t> m_buffer;
    BitmapInfoHeader m_header;
    bool m_haveFrame = false;
    std::uint64_t m_sequence = 0;
};

} // namespace tavrel
