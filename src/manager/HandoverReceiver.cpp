#include "manager/HandoverReceiver.h"

#include "imaging/codecs/PictureLimits.h"
#include "platform/MessageBox.h"
#include "platform/SharedSection.h"
#include "shared/PictureDescriptor.h"
#include "platform/Utf.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

namespace tavrel
{

namespace
{

bool IndicesValid(const PictureDescriptor& d)
{
    if (d.outputFormat == kOutputJpeg)
        return true;
    return d.outputFormat == kOutputTiff &&
           (d.bitDepthIndex == kBitDepth24 || d.bitDepthIndex == kBitDepth48);
}

// Sizes a 24-bit picture can have (the size limit of every picture read);
// anything else is refused before a byte of the section is read.
std::size_t PixelBytesFor(const PictureDescriptor& d)
{
    if (!PictureSizeAllowed(d.width, d.height) || d.bitsPerPixel != 24)
        return 0;
    const std::size_t bytes = SectionStride(d.width, d.bitsPerPixel) * std::size_t(d.height);
    return bytes <= kMaxSectionBytes ? bytes : 0;
}

std::optional<PictureDescriptor> ReadDescriptor(const CopyData& data)
{
    auto d = ReadPictureDescriptor(data.bytes.data(), data.bytes.size());
    if (!d || !IndicesValid(*d) || d->picturePath.empty() || d->profilePath.empty())
        return std::nullopt;
    return d;
}

} // namespace

CHandoverReceiver::CHandoverReceiver(const ManagerPanes& panes, EventLoop* loop)
    : m_panes(panes),
      m_storage(
          m_state, m_panes,
          [this](WPARAM wParam, const std::string* path) { OnPictureStored(wParam, path); }, loop)
{
    SetPanes(panes);
}

void CHandoverReceiver::SetPanes(const ManagerPanes& panes)
{
    m_panes = panes;
    // A manager killed while storing left its partial file where pictures
    // went, most likely the folder shown at start.
    if (m_panes.fileList != nullptr)
        m_storage.RemoveLeftovers(m_panes.fileList->CurrentFolder());
}

CHandoverReceiver::~CHandoverReceiver() = default;

LRESULT CHandoverReceiver::HandleMessage(const Message& message, bool* handled)
{
    if (handled != nullptr)
        *handled = true;
    switch (message.message)
    {
    case WM_COPYDATA:
        if (message.copyData != nullptr)
            return OnCopyData(*message.copyData, handled);
        break;
    case WM_PICTURE_STORED:
        // A path cannot travel as a pointer between processes; from outside,
        // only the queue-status refresh is meaningful.
        return OnPictureStored(0, nullptr);
    case WM_MANAGER_IGNORED:
        return 0;
    default:
        break;
    }
    if (handled != nullptr)
        *handled = false;
    return 0;
}

LRESULT CHandoverReceiver::OnCopyData(const CopyData& data, bool* handled)
{
    if (handled != nullptr)
        *handled = true;
    switch (data.kind)
    {
    case COPYDATA_RAW_PICTURE:
    case COPYDATA_PROCESSED_PICTURE:
        m_state.lastKind = data.kind;
        return ReceivePixels(data.kind, data);
    case COPYDATA_PICTURE_FILE:
        m_state.lastKind = data.kind;
        return ReceiveFile(data);
    default:
        if (handled != nullptr)
            *handled = false;
        return 0;
    }
}

std::string CHandoverReceiver::DestinationFolder()
{
    if (m_panes.folderTree != nullptr && m_panes.folderTree->IsComputerSelected())
        m_panes.folderTree->SelectDocuments();
    return m_panes.fileList != nullptr ? m_panes.fileList->CurrentFolder() : std::string();
}

LRESULT CHandoverReceiver::ReceivePixels(std::uint64_t kind, const CopyData& data)
{
    // A run in progress (a nested message loop can deliver this) or a close
    // on its way: the picture is not taken, and the sender learns so.
    if (m_state.busy || m_state.closePending)
        return kPictureRefused;
    const auto d = ReadDescriptor(data);
    const std::size_t pixelBytes = d ? PixelBytesFor(*d) : 0;
    if (pixelBytes == 0)
        return kPictureRefused;

    const std::string folder = DestinationFolder();
    if (folder.empty())
        return kPictureRefused;

    if (kind == COPYDATA_RAW_PICTURE || !m_state.picture.HasPixels())
    {
        m_state.picture.Free();
        if (!m_state.picture.Create(d->width, d->height, d->bitsPerPixel, 300))
            return kPictureRefused;
    }
    else
    {
        return kPictureRefused; // a previous picture still waits in the buffer
    }
    if (m_state.picture.PixelBytes() != pixelBytes)
    {
        m_state.picture.Free();
        return kPictureRefused;
    }

    errno = 0;
    bool notOurs = false;
    auto section = SharedSection::Open(kPictureSectionName, &notOurs);
    if (!section)
    {
        std::printf("Could not open file mapping object (%d).\n", errno);
        std::fflush(stdout);
        m_state.picture.Free();
        if (notOurs)
            MessageBox(0, kForeignSectionText);
        return kPictureRefused;
    }
    // A section smaller than the descriptor claims is never read past its
    // end; one cut short while it is read fails the read instead of faulting.
    errno = 0;
    if (section->Size() < pixelBytes || !section->Read(0, m_state.picture.Pixels(), pixelBytes))
    {
        std::printf("Could not map view of file (%d).\n", errno);
        std::fflush(stdout);
        m_state.picture.Free();
        return kPictureRefused;
    }
    section.reset();

    // Queued only now that the pixels are in the buffer: job and buffer
    // always belong together.
    m_state.outputFormat = d->outputFormat;
    m_state.bitDepthIndex = d->bitDepthIndex;
    m_state.queue.Push(Utf16ToUtf8(d->picturePath), Utf16ToUtf8(d->profilePath), folder);
    if (m_panes.statusBar != nullptr)
        m_state.pane1Rect = m_panes.statusBar->GetPaneRect(1);
    ShowQueueStatus();

    m_state.busy = true;
    return m_storage.StoreFrontPicture() ? kPictureTaken : kPictureRefused;
}

LRESULT CHandoverReceiver::ReceiveFile(const CopyData& data)
{
    if (m_state.busy || m_state.closePending)
        return kPictureRefused;
    const auto d = ReadDescriptor(data);
    if (!d)
        return kPictureRefused;
    const std::string folder = DestinationFolder();
    if (folder.empty())
        return kPictureRefused;
    m_state.outputFormat = d->outputFormat;
    m_state.bitDepthIndex = d->bitDepthIndex;
    m_state.queue.Push(Utf16ToUtf8(d->picturePath), Utf16ToUtf8(d->profilePath), folder);
    if (m_panes.statusBar != nullptr)
        m_state.pane1Rect = m_panes.statusBar->GetPaneRect(1);
    ShowQueueStatus();
    m_state.busy = true;
    return m_storage.StoreQueuedFiles() ? kPictureTaken : kPictureRefused;
}

void CHandoverReceiver::ShowQueueStatus()
{
    if (m_panes.statusBar == nullptr)
        return;
    if (m_state.queue.IsEmpty())
    {
        m_panes.statusBar->SetPaneText(2, "");
        return;
    }
    m_panes.statusBar->SetPaneText(2, m_panes.statusBar->QueueStatusText() +
                                          std::to_string(m_state.queue.Count()));
}

LRESULT CHandoverReceiver::OnPictureStored(WPARAM wParam, const std::string* path)
{
    if (wParam != 0)
    {
        if (m_panes.fileList != nullptr && path != nullptr)
            m_panes.fileList->OnPictureStored(wParam, *path);
        return 0;
    }
    ShowQueueStatus();
    return 0;
}

bool CHandoverReceiver::RequestClose()
{
    if (m_state.busy)
    {
        m_state.closePending = true;
        return false;
    }
    return true;
}

} // namespace tavrel
