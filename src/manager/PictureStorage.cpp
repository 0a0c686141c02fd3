#include "manager/PictureStorage.h"

#include "imaging/ImageProfile.h"
#include "imaging/ProcessingChain.h"
#include "imaging/codecs/ImageCodec.h"
#include "imaging/cwimage/dib/Dib.h"
#include "manager/ChannelTempFiles.h"
#include "platform/AtomicFile.h"
#include "platform/EventLoop.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "shared/PictureDescriptor.h"

#include <cerrno>
#include <cstring>
#include <memory>

namespace tavrel
{

namespace
{

// Grey pictures widened to equal channels: the TIFF writers write colour.
void MakeTrueColour(CDib& picture)
{
    CDib colour;
    if (picture.HasPixels() && picture.BitsPerPixel() == 8 && picture.GreyToRgb(&colour) == 1)
        picture.Swap(colour);
}

} // namespace

std::string StoredFileStem(std::time_t when)
{
    std::tm local{};
    localtime_r(&when, &local);
    char text[64];
    std::strftime(text, sizeof text, "%Y-%m-%d-%H-%M-%S", &local);
    return text;
}

bool WritePictureFile(CDib& picture, std::int32_t outputFormat, std::int32_t bitDepthIndex,
                      const std::string& folder, const std::string& stem, std::string* finalPath)
{
    if (!picture.HasPixels() || (outputFormat != kOutputJpeg && outputFormat != kOutputTiff))
        return false;
    const std::string extension = outputFormat == kOutputTiff ? ".tiff" : ".jpg";
    // Encoded once into a temporary file beside its final name, which is
    // taken only while free: a stored picture is never replaced.
    AtomicFile file(JoinPath(folder, stem + extension), {.replace = false, .syncFolder = true});
    int written = 0;
    if (outputFormat == kOutputJpeg)
    {
        written = picture.Codec().Save(picture, file, kFormatJpeg95);
    }
    else
    {
        MakeTrueColour(picture);
        written = bitDepthIndex == kBitDepth48
                      ? WriteTiff48(file, picture.Width(), picture.Height(), picture.BitsPerPixel(),
                                    picture.Pixels())
                      : WriteTiff24(file, picture.Width(), picture.Height(), picture.BitsPerPixel(),
                                    picture.Pixels());
    }
    if (written != 1)
        return false;
    for (int n = 2; n <= 10000; ++n)
    {
        if (file.Commit())
        {
            if (finalPath != nullptr)
                *finalPath = file.Target();
            return true;
        }
        if (file.Error() != EEXIST)
            break;
        file.SetTarget(JoinPath(folder, stem + "_" + std::to_string(n) + extension));
    }
    return false;
}

CPictureStorage::CPictureStorage(HandoverState& state, const ManagerPanes& panes,
                                 FrameNotice notifyFrame, EventLoop* loop)
    : m_state(state), m_panes(panes), m_notifyFrame(std::move(notifyFrame)), m_loop(loop),
      m_animation(loop), m_clock([] { return std::time(nullptr); })
{
}

CPictureStorage::~CPictureStorage() = default;

void CPictureStorage::StartRun()
{
    if (m_panes.statusBar != nullptr)
        m_panes.statusBar->PlaceProgressBar(m_state.pane1Rect);
    m_animation.Start(m_panes.statusBar, m_state.busy, m_state.closePending);
}

void CPictureStorage::RemoveLeftovers(const std::string& folder)
{
    if (!folder.empty())
        RemoveAbandonedTemporaries(folder);
}

void CPictureStorage::FinishRun()
{
    for (const std::string& folder : m_runFolders)
        RemoveLeftovers(folder);
    m_runFolders.clear();
    m_state.busy = false;
    m_animation.Stop();
    m_notifyFrame(0, nullptr);
    if (m_state.closePending && m_panes.closeFrame)
        m_panes.closeFrame();
}

void CPictureStorage::DeleteJobFiles(const std::string& picturePath, const std::string& profilePath)
{
    if (picturePath.empty() || profilePath.empty())
        return;
    DeleteChannelTempFile(profilePath);
    DeleteChannelTempFile(picturePath);
}

void CPictureStorage::NoticeStored(const std::string& folder, const std::string& path)
{
    if (m_panes.fileList != nullptr && m_panes.fileList->CurrentFolder() == folder)
    {
        const std::string copy = path;
        m_notifyFrame(1, &copy);
    }
}

void CPictureStorage::ReportWriteFailure(const std::string& folder)
{
    MessageBox(0, "Could not save the picture in " + folder +
                      "! The picture was not stored and has been kept.");
}

void CPictureStorage::ReportProcessingFailure()
{
    MessageBox(0, "Could not process the picture! The picture was not stored and has been kept.");
}

bool CPictureStorage::StoreFrontPicture()
{
    StartRun();
    m_lastStored.clear();
    const std::string picturePath = m_state.queue.FrontPicturePath();
    const std::string profilePath = m_state.queue.FrontProfilePath();
    const std::string folder = m_state.queue.FrontFolder();
    m_runFolders.insert(folder);

    auto profile = std::make_unique<CImageProfile>(ProfileFlavour::Manager);
    bool stored = false;
    if (profile->LoadProfile(profilePath) == 1)
    {
        // The busy flag stays set until the file is complete: the bar moves
        // meanwhile, and a close waits for the file.
        bool processed = false;
        RunAside(
            [&]
            {
                processed =
                    ProcessReceivedPicture(*profile, m_state.lastKind, m_state.picture) == 1;
                if (!processed)
                    return;
                const std::string stem = StoredFileStem(m_clock());
                stored = WritePictureFile(m_state.picture, m_state.outputFormat,
                                          m_state.bitDepthIndex, folder, stem, &m_lastStored);
            });
        if (!processed)
            ReportProcessingFailure();
        else if (!stored)
            ReportWriteFailure(folder);
    }
    // Whatever happened, this job leaves the queue together with its pixels,
    // so that the queue stays in step with the picture buffer.
    m_state.picture.Free();
    if (stored)
        NoticeStored(folder, m_lastStored);
    m_state.queue.PopFront();
    m_notifyFrame(0, nullptr);
    profile.reset();
    DeleteJobFiles(picturePath, profilePath);
    FinishRun();
    return stored;
}

bool CPictureStorage::StoreQueuedFiles()
{
    StartRun();
    m_lastStored.clear();
    bool allStored = true;
    while (!m_state.queue.IsEmpty() && !m_state.closePending)
    {
        const std::string picturePath = m_state.queue.FrontPicturePath();
        const std::string profilePath = m_state.queue.FrontProfilePath();
        const std::string folder = m_state.queue.FrontFolder();
        m_runFolders.insert(folder);
        bool stored = false;
        auto profile = std::make_unique<CImageProfile>(ProfileFlavour::Manager);
        if (profile->LoadProfile(profilePath) == 1)
        {
            bool read = false;
            bool processed = false;
            RunAside(
                [&]
                {
                    CDib picture;
                    read = picture.LoadFile(picturePath) == 1 && picture.HasPixels();
                    if (!read)
                        return;
                    processed =
                        ProcessReceivedPicture(*profile, COPYDATA_PICTURE_FILE, picture) == 1;
                    if (!processed)
                        return;
                    stored = WritePictureFile(picture, m_state.outputFormat, m_state.bitDepthIndex,
                                              folder, StoredFileStem(m_clock()), &m_lastStored);
                });
            if (!read)
                MessageBox(0, "Could not read the picture " + picturePath + "!");
            else if (!processed)
                ReportProcessingFailure();
            else if (!stored)
                ReportWriteFailure(folder);
        }
        if (stored)
            NoticeStored(folder, m_lastStored);
        else
            allStored = false;
        m_state.queue.PopFront();
        m_notifyFrame(0, nullptr);
        profile.reset();
        // The picture of a file hand-over is the user's file: only the
        // channel's own names are ever deleted.
        DeleteJobFiles(picturePath, profilePath);
    }
    FinishRun();
    return allStored;
}

void CPictureStorage::RunAside(const std::function<void()>& work)
{
    if (m_loop != nullptr)
        m_loop->RunAside(work);
    else
        work();
}

} // namespace tavrel
