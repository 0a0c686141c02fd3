#include "capture/CaptureGraph.h"

#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "platform/Utf.h"
#include "shared/XmlDocument.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace tavrel
{

namespace
{

std::string Lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

} // namespace

CCaptureGraph::CCaptureGraph(std::unique_ptr<VideoBackend> backend, std::string currentFolder,
                             std::string moduleFolder)
    : m_backend(std::move(backend)), m_currentFolder(std::move(currentFolder)),
      m_moduleFolder(std::move(moduleFolder))
{
    LoadAcceptedIds();
    LoadGraphSettings();
}

CCaptureGraph::~CCaptureGraph()
{
    StopAndRelease();
}

bool CCaptureGraph::LoadAcceptedIds()
{
    m_acceptedIds.clear();
    CXmlDocument xml;
    if (!xml.LoadFromFile(JoinPath(m_currentFolder, "DeviceSel.xml")))
    {
        tavrel::AfxMessageBox("Load DeviceSel.xml Failed!");
        return false;
    }
    if (!xml.FindNext(u"device") || !xml.EnterElement())
        return false;
    while (xml.FindNext(u"pid"))
        m_acceptedIds.push_back(tavrel::Utf16ToUtf8(xml.GetText()));
    return true;
}

void CCaptureGraph::LoadGraphSettings()
{
    m_settings = GraphSettings{};
    ReadGraphSettings(JoinPath(m_moduleFolder, "sensor.xml"), m_settings);
}

int CCaptureGraph::FindDevices()
{
    m_matchedPaths.clear();
    m_matchedNames.clear();
    std::vector<VideoDeviceInfo> found;
    for (VideoDeviceInfo& d : m_backend->Enumerate())
    {
        if (d.path.empty())
        {
            tavrel::AfxMessageBox("找不到设备的PidVid！");
            continue;
        }
        found.push_back(std::move(d));
    }
    if (found.empty())
    {
        tavrel::AfxMessageBox("找不到与.XML中匹配的PIDVID");
        return -1;
    }
    for (const std::string& id : m_acceptedIds)
    {
        const std::string wanted = Lower(id);
        // An empty id would match every device; it accepts nothing.
        if (wanted.empty())
            continue;
        for (const VideoDeviceInfo& d : found)
        {
            if (Lower(d.path).find(wanted) == std::string::npos)
                continue;
            if (m_matchedPaths.size() >= kMaxMatchedDevices)
                break;
            m_matchedPaths.push_back(d.path);
            m_matchedNames.push_back(d.name);
        }
    }
    return m_matchedPaths.empty() ? -1 : 0;
}

bool CCaptureGraph::Build()
{
    StopAndRelease();
    if (FindDevices() != 0)
        return false;
    m_source = m_backend->Open(m_matchedPaths.front());
    if (!m_source)
    {
        m_matchedPaths.clear();
        m_matchedNames.clear();
        return false;
    }
    // As with the capture pin's stream configuration, the result is not
    // checked: the camera keeps the mode it has.
    m_source->SetCaptureFormat(
        {m_settings.previewWidth, m_settings.previewHeight, m_settings.frameRate});
    if (m_settings.stillMode == 1)
        m_source->SetStillSize(m_settings.stillWidth, m_settings.stillHeight);
    else if (m_settings.stillMode != 0)
    {
        StopAndRelease();
        return false;
    }
    const VideoFormat format = m_source->CaptureFormat();
    if (format.width <= 0 || format.height <= 0)
    {
        tavrel::AfxMessageBox("GetFormat!");
        StopAndRelease();
        return false;
    }
    return true;
}

bool CCaptureGraph::StartPreview(StillCallback still, EventCallback event)
{
    if (!m_source)
        return false;
    if (m_source->IsStreaming())
        return true;
    VideoCallbacks callbacks;
    callbacks.frame = [this](const VideoFrame& f) { OnFrame(f); };
    if (m_settings.stillMode == 1)
        callbacks.still = std::move(still);
    callbacks.event = std::move(event);
    if (!m_source->Start(std::move(callbacks)))
    {
        StopAndRelease();
        return false;
    }
    return true;
}

bool CCaptureGraph::IsStreaming() const
{
    return m_source && m_source->IsStreaming();
}

void CCaptureGraph::StopAndRelease()
{
    if (m_source)
        m_source->Stop();
    m_source.reset();
    m_matchedPaths.clear();
    m_matchedNames.clear();
    std::lock_guard lock(m_frameMutex);
    m_buffer.clear();
    m_haveFrame = false;
}

void CCaptureGraph::OnFrame(const VideoFrame& frame)
{
    if (!frame.bgr || frame.width <= 0 || frame.height <= 0)
        return;
    const std::size_t stride = (std::size_t(frame.width) * 3 + 3) & ~std::size_t(3);
    const std::size_t size = stride * std::size_t(frame.height);
    std::lock_guard lock(m_frameMutex);
    m_buffer.resize(size);
    // The grabber's RGB24 buffer: rows bottom-up, each padded to 4 bytes.
    for (int y = 0; y < frame.height; ++y)
    {
        std::uint8_t* dst = m_buffer.data() + std::size_t(frame.height - 1 - y) * stride;
        std::memcpy(dst, frame.bgr + std::size_t(y) * frame.width * 3,
                    std::size_t(frame.width) * 3);
        std::memset(dst + std::size_t(frame.width) * 3, 0, stride - std::size_t(frame.width) * 3);
    }
    m_header = BitmapInfoHeader{};
    m_header.biWidth = frame.width;
    m_header.biHeight = frame.height;
    m_header.biSizeImage = static_cast<std::uint32_t>(size);
    m_haveFrame = true;
    ++m_sequence;
}

std::vector<std::uint8_t> CCaptureGraph::GrabFrame()
{
    std::lock_guard lock(m_frameMutex);
    if (!m_haveFrame)
        return {};
    return m_buffer;
}

std::vector<std::uint8_t> CCaptureGraph::GrabFrame(BitmapInfoHeader& header)
{
    std::lock_guard lock(m_frameMutex);
    if (!m_haveFrame)
        return {};
    header = m_header;
    return m_buffer;
}

bool CCaptureGraph::GetFrameFormat(int& width, int& height, BitmapInfoHeader& header) const
{
    std::lock_guard lock(m_frameMutex);
    if (!m_haveFrame)
        return false;
    width = m_header.biWidth;
    height = m_header.biHeight;
    header = m_header;
    return true;
}

std::uint64_t CCaptureGraph::FrameSequence() const
{
    std::lock_guard lock(m_frameMutex);
    return m_sequence;
}

bool CCaptureGraph::TriggerStill()
{
    return m_source && m_settings.stillMode == 1 && m_source->TriggerStill();
}

bool CCaptureGraph::SourceFiresStillOnButton() const
{
    return m_source && m_source->FiresStillOnButton();
}

VideoFormat CCaptureGraph::CaptureFormat() const
{
    return m_source ? m_source->CaptureFormat() : VideoFormat{};
}

} // namespace tavrel
