#include "capture/HandoverSender.h"

#include "imaging/ImageProfile.h"
#include "imaging/codecs/ImageCodec.h"
#include "imaging/cwimage/dib/Dib.h"
#include "platform/AtomicFile.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "platform/SharedSection.h"
#include "platform/TempFiles.h"
#include "platform/Utf.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <system_error>

#include <unistd.h>

namespace tavrel
{

namespace
{

void RemoveFile(std::string& path)
{
    if (!path.empty())
        ::unlink(path.c_str());
    path.clear();
}

std::string StampedName(const std::string& folder, const std::string& extension)
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[64];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d-%H-%M-%S", &local);
    std::error_code ec;
    for (int n = 1; n < 10000; ++n)
    {
        const std::string name = JoinPath(
            folder, stamp + (n == 1 ? std::string() : "_" + std::to_string(n)) + extension);
        if (!std::filesystem::exists(name, ec))
            return name;
    }
    return {};
}

// Rows of the section are the picture's rows, padded alike.
bool WritePixels(SharedSection& section, const CDib& picture, std::size_t stride)
{
    if (stride == std::size_t(picture.RowSize()))
        return section.Write(0, picture.Pixels(), picture.PixelBytes());
    const std::size_t rowBytes = std::min<std::size_t>(stride, std::size_t(picture.RowSize()));
    for (int y = 0; y < picture.Height(); ++y)
        if (!section.Write(std::size_t(y) * stride, picture.Row(y), rowBytes))
            return false;
    return true;
}

} // namespace

CHandoverSender::CHandoverSender(Log log, HWND owner) : m_log(std::move(log)), m_owner(owner) {}

CHandoverSender::~CHandoverSender()
{
    CleanUp();
}

void CHandoverSender::Write(const char* line) const
{
    if (m_log)
        m_log(line);
}

bool CHandoverSender::FindManager()
{
    m_manager = Desktop::FindWindow(kManagerWindowClass);
    if (m_manager == 0)
        m_manager = Desktop::FindWindow(kManagerWindowClassFallback);
    if (m_manager != 0)
        return true;
    // A runtime directory we cannot use hides every window: say why.
    std::string error;
    if (RuntimeDirectory(&error).empty())
        MessageBox(m_owner, "Pelidor cannot be reached: " + error + ".");
    else
        MessageBox(m_owner, "Not Find Pelidor Window!");
    return false;
}

bool CHandoverSender::PrepareNames()
{
    RemoveFile(m_pictureReservation);
    m_picturePath.clear();
    const std::string folder = GetTempPath();
    if (folder.empty())
        return false;
    m_pictureReservation = GetTempFileName(folder);
    if (m_pictureReservation.empty())
        return false;
    m_picturePath = m_pictureReservation + ".bmp";
    return true;
}

std::string CHandoverSender::RecoveryFolder() const
{
    if (!m_recoveryFolder.empty())
        return m_recoveryFolder;
    return ProgramFolder() + "/Recovered";
}

void CHandoverSender::CleanUp()
{
    // The manager deletes the profile after storing; whatever it left (a
    // refused picture, a manager gone mid-way) is ours to remove.
    RemoveFile(m_profilePath);
    RemoveFile(m_profileReservation);
    RemoveFile(m_pictureReservation);
    m_picturePath.clear();
}

CHandoverSender::Result CHandoverSender::Deliver(std::uint64_t kind, PictureDescriptor& descriptor,
                                                 CImageProfile& profile)
{
    Result result;
    const std::string folder = GetTempPath();
    m_profileReservation = folder.empty() ? std::string() : GetTempFileName(folder);
    if (m_profileReservation.empty())
        return result;
    m_profilePath = m_profileReservation + "_cfg.xml";
    // The copy lives in the runtime folder for this hand-over only: a flush
    // to disk would only delay the picture.
    AtomicFile::Options once;
    once.sync = false;
    if (!WriteFileAtomically(m_profilePath, Utf16ToUtf8(profile.BuildProfileDocument()), once))
        return result;
    descriptor.profilePath = Utf8ToUtf16(m_profilePath);
    const auto bytes = BuildPictureDescriptor(descriptor);
    if (!bytes)
        return result;

    Write("Before Save!\n");
    CopyData data;
    data.kind = kind;
    data.bytes.assign(bytes->begin(), bytes->end());
    const SendResult sent = Desktop::SendMessage(m_manager, WM_COPYDATA, 0, 0, &data);
    result.delivered = sent.delivered;
    result.handlerResult = sent.result;
    if (sent.delivered && sent.result == kPictureTaken)
        result.outcome = Outcome::Stored;
    return result;
}

CHandoverSender::Result CHandoverSender::KeepPicture(CDib& picture, Result result)
{
    std::error_code ec;
    const std::string folder = RecoveryFolder();
    std::filesystem::create_directories(folder, ec);
    const std::string path = StampedName(folder, ".bmp");
    if (!path.empty() && picture.HasPixels() && picture.SaveFile(path, kFormatBmp) == 1)
    {
        result.outcome = Outcome::Kept;
        result.keptPath = path;
        MessageBox(m_owner, "Pelidor did not store the picture. It was kept as " + path);
    }
    else
    {
        result.outcome = Outcome::Lost;
        MessageBox(m_owner, "Pelidor did not store the picture, and it could not be kept!");
    }
    return result;
}

CHandoverSender::Result CHandoverSender::Send(CDib& picture, CImageProfile& profile,
                                              std::int32_t outputFormat, std::int32_t bitDepthIndex,
                                              std::uint64_t kind)
{
    Result result;
    if (m_manager == 0 && !FindManager())
    {
        result.outcome = Outcome::NoManager;
        return result;
    }
    if (m_picturePath.empty())
        PrepareNames();

    PictureDescriptor descriptor;
    descriptor.width = picture.Width();
    descriptor.height = picture.Height();
    descriptor.bitsPerPixel = picture.BitsPerPixel();
    descriptor.picturePath = Utf8ToUtf16(m_picturePath);
    descriptor.outputFormat = outputFormat;
    descriptor.bitDepthIndex = bitDepthIndex;
    const std::size_t stride = SectionStride(descriptor.width, descriptor.bitsPerPixel);
    const std::size_t size = stride * std::size_t(descriptor.height > 0 ? descriptor.height : 0);

    if (!m_picturePath.empty() && picture.HasPixels() && size > 0)
    {
        Write("Mapping File!\n");
        SharedSection::Status status = SharedSection::Status::Failed;
        auto section = SharedSection::Create(kPictureSectionName, size, &status);
        if (status == SharedSection::Status::NotOurs)
            MessageBox(m_owner, "The picture cannot be handed to Pelidor: the shared memory "
                                "\"TavrelImage\" belongs to another user.");
        // "Already exists": another hand-over is in progress; never write
        // into its pixels.
        if (section && status == SharedSection::Status::Created &&
            WritePixels(*section, picture, stride))
            result = Deliver(kind, descriptor, profile);
        section.reset();
    }
    CleanUp();
    if (result.outcome != Outcome::Stored)
        result = KeepPicture(picture, result);
    m_manager = 0;
    return result;
}

CHandoverSender::Result CHandoverSender::SendFile(const std::string& picturePath,
                                                  CImageProfile& profile, std::int32_t outputFormat,
                                                  std::int32_t bitDepthIndex)
{
    Result result;
    if (m_manager == 0 && !FindManager())
    {
        result.outcome = Outcome::NoManager;
        return result;
    }
    PictureDescriptor descriptor;
    descriptor.picturePath = Utf8ToUtf16(picturePath);
    descriptor.outputFormat = outputFormat;
    descriptor.bitDepthIndex = bitDepthIndex;
    result = Deliver(COPYDATA_PICTURE_FILE, descriptor, profile);
    CleanUp();
    if (result.outcome != Outcome::Stored)
    {
        result.outcome = Outcome::Kept;
        result.keptPath = picturePath;
        MessageBox(m_owner, "Pelidor did not store the picture " + picturePath +
                                "; the file was left where it is.");
    }
    m_manager = 0;
    return result;
}

} // namespace tavrel
