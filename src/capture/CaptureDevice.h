#pragma once
// The scanner's camera as the engine holds it: the capture graph over its
// video source and the control object, opened and closed together. Graph
// building, starting, stopping and still triggers are serialised by one
// lock, so a trigger from the button poller never meets a teardown on the
// UI thread; frames are copied out under the graph's own frame lock.

#include "capture/CaptureGraph.h"
#include "capture/CaptureState.h"
#include "capture/DeviceControl.h"
#include "imaging/cwimage/dib/Dib.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace tavrel
{

class CaptureDevice
{
public:
    // `folder` holds "DeviceSel.xml" and "sensor.xml" ("" = working directory);
    // `streamChanged` runs on the streaming thread when Stream() changes.
    CaptureDevice(std::unique_ptr<VideoBackend> backend, std::string folder,
                  std::function<void()> streamChanged);
    ~CaptureDevice();
    CaptureDevice(const CaptureDevice&) = delete;
    CaptureDevice& operator=(const CaptureDevice&) = delete;

    // OpenDevice: builds the graph and attaches the control object; a graph
    // that is ready is kept.
    void Open();
    // Starts streaming; the still callback runs on the streaming thread
    // (still mode only). False, and the graph released, when it cannot.
    bool StartPreview(CCaptureGraph::StillCallback still);
    // CloseDevice: stops streaming, releases the graph and the control.
    void Close();
    // A device arrived: the kept graph streams on; one whose camera really
    // went away (streaming stopped) is built anew. True when streaming.
    bool OnArrival(CCaptureGraph::StillCallback still);

    bool Ready() const { return m_graphReady; }
    StreamStatus Stream() const;
    // The current preview frame as a top-down 24-bit picture at 300 dpi.
    bool GrabFrame(CDib& image);
    std::uint64_t FrameSequence() const;
    bool TriggerStill();
    bool FiresStillOnButton();

    DeviceControl& Control() { return m_control; }
    const DeviceControl& Control() const { return m_control; }

private:
    void OpenLocked();
    void CloseLocked();
    bool StartLocked(CCaptureGraph::StillCallback still);

    std::mutex m_mutex;
    const std::unique_ptr<CCaptureGraph> m_graph;
    DeviceControl m_control;
    std::atomic<bool> m_graphReady{false};
    std::atomic<StreamStatus> m_stream{StreamStatus::NoDevice};
    const std::function<void()> m_streamChanged;
};

} // namespace tavrel
