#include "capture/CaptureDevice.h"

#include <cstring>

namespace tavrel
{

CaptureDevice::CaptureDevice(std::unique_ptr<VideoBackend> backend, std::string folder,
                             std::function<void()> streamChanged)
    : m_graph(std::make_unique<CCaptureGraph>(std::move(backend), folder, folder)),
      m_streamChanged(std::move(streamChanged))
{
}

CaptureDevice::~CaptureDevice()
{
    std::lock_guard lock(m_mutex);
    m_graph->StopAndRelease();
    CloseLocked();
}

void CaptureDevice::Open()
{
    std::lock_guard lock(m_mutex);
    OpenLocked();
}

void CaptureDevice::OpenLocked()
{
    if (m_graphReady)
        return;
    if (!m_graph->Build())
        return;
    m_graphReady = true;
    if (!m_graph->MatchedPaths().empty())
        m_control.Attach(m_graph->MatchedPaths().front());
}

bool CaptureDevice::StartPreview(CCaptureGraph::StillCallback still)
{
    std::lock_guard lock(m_mutex);
    return StartLocked(std::move(still));
}

bool CaptureDevice::StartLocked(CCaptureGraph::StillCallback still)
{
    if (!m_graphReady)
        return false;
    const bool ok =
        m_graph->StartPreview(std::move(still),
                              [this](StreamEvent event)
                              {
                                  m_stream = event == StreamEvent::Stalled ? StreamStatus::Stalled
                                             : event == StreamEvent::Lost  ? StreamStatus::Lost
                                                                          : StreamStatus::Streaming;
                                  m_streamChanged();
                              });
    if (!ok)
    {
        CloseLocked();
        return false;
    }
    if (m_stream != StreamStatus::Stalled)
        m_stream = StreamStatus::Streaming;
    return true;
}

void CaptureDevice::Close()
{
    std::lock_guard lock(m_mutex);
    CloseLocked();
}

void CaptureDevice::CloseLocked()
{
    if (!m_graphReady)
        return;
    m_graph->StopAndRelease();
    m_control.Release();
    m_graphReady = false;
    m_stream = StreamStatus::NoDevice;
}

bool CaptureDevice::OnArrival(CCaptureGraph::StillCallback still)
{
    std::lock_guard lock(m_mutex);
    // A V4L2 node is dead after unplugging: its source has stopped.
    if (m_graphReady && m_graph->IsBuilt() && !m_graph->IsStreaming())
        CloseLocked();
    // A control object opened before the camera went answers no more.
    if (m_graphReady && !m_graph->MatchedPaths().empty())
        m_control.Attach(m_graph->MatchedPaths().front());
    OpenLocked();
    return StartLocked(std::move(still));
}

StreamStatus CaptureDevice::Stream() const
{
    return m_stream;
}

bool CaptureDevice::GrabFrame(CDib& image)
{
    BitmapInfoHeader header;
    const std::vector<std::uint8_t> buffer = m_graph->GrabFrame(header);
    if (buffer.empty() || header.biWidth <= 0 || header.biHeight <= 0 || header.biBitCount != 24)
        return false;
    const int width = header.biWidth, height = header.biHeight;
    const std::size_t stride = (std::size_t(width) * 3 + 3) & ~std::size_t(3);
    if (buffer.size() < stride * std::size_t(height) || !image.Create(width, height, 24, 300))
        return false;
    // The grabber's rows are bottom-up.
    for (int y = 0; y < height; ++y)
        std::memcpy(image.Row(y), buffer.data() + std::size_t(height - 1 - y) * stride,
                    std::size_t(width) * 3);
    return true;
}

std::uint64_t CaptureDevice::FrameSequence() const
{
    return m_graph->FrameSequence();
}

bool CaptureDevice::TriggerStill()
{
    std::lock_guard lock(m_mutex);
    return m_graphReady && m_graph->TriggerStill();
}

bool CaptureDevice::FiresStillOnButton()
{
    std::lock_guard lock(m_mutex);
    return m_graph->SourceFiresStillOnButton();
}

} // namespace tavrel
