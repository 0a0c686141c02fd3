#pragma once
// The capture program's send step: hands one finished picture to the
// manager over the picture channel (the section "TavrelImage", a
// PictureDescriptor in one synchronous WM_COPYDATA, and a temporary
// "_cfg.xml" profile). The capture sequence calls it in three phases:
//
//   CHandoverSender sender(log, dialogWindow);
//   if (!sender.FindManager()) ...        // before any processing; on false
//                                         // the box "Not Find Pelidor Window!"
//                                         // has been shown: abandon the capture
//   rotate, crop ...
//   sender.PrepareNames();                // the "%s.bmp" picture name
//   resample, ProcessImage(0, picture) ...
//   auto result = sender.Send(picture, profile, outputFormat, bitDepthIndex);
//   result.outcome: Stored, or Kept (not stored by the manager, or the
//   channel could not be used: the picture was saved to result.keptPath and
//   the user was told where), or Lost (it could not even be kept).
//
// Every path cleans up: the section is gone and the temporary files of the
// hand-over are deleted when Send returns (also when the object goes).

#include "platform/Desktop.h"
#include "shared/PictureDescriptor.h"

#include <cstdint>
#include <functional>
#include <string>

namespace tavrel
{

class CDib;
class CImageProfile;

class CHandoverSender
{
public:
    using Log = std::function<void(const std::string& line)>;

    enum class Outcome
    {
        Stored,    // the manager stored the picture (handler result kPictureTaken)
        Kept,      // not stored; the picture is kept at keptPath, the user was told
        Lost,      // not stored, and keeping it failed too (the user was told)
        NoManager, // no manager window (only before anything was sent)
    };

    struct Result
    {
        Outcome outcome = Outcome::Lost;
        bool delivered = false;    // the manager's handler ran
        LRESULT handlerResult = 0; // its result, when delivered
        std::string keptPath;      // Kept: where the picture is
    };

    explicit CHandoverSender(Log log = {}, HWND owner = 0);
    ~CHandoverSender();
    CHandoverSender(const CHandoverSender&) = delete;
    CHandoverSender& operator=(const CHandoverSender&) = delete;

    // Window of class "Pelidor", else "Pelidor Standard". Shows the message
    // box "Not Find Pelidor Window!" and returns false when neither exists.
    bool FindManager();
    // Reserves the temporary picture name ("%s.bmp" of a unique temporary
    // file name). False when the temporary folder cannot be used.
    bool PrepareNames();

    // Kinds COPYDATA_PROCESSED_PICTURE (what the capture program sends) and
    // COPYDATA_RAW_PICTURE: the pixels of a 24-bit picture through the
    // section. Calls FindManager/PrepareNames itself when they were not.
    Result Send(CDib& picture, CImageProfile& profile, std::int32_t outputFormat,
                std::int32_t bitDepthIndex, std::uint64_t kind = COPYDATA_PROCESSED_PICTURE);
    // Kind COPYDATA_PICTURE_FILE: the file at `picturePath` is handed over as
    // it stands (no section). A refused file simply stays where it is.
    Result SendFile(const std::string& picturePath, CImageProfile& profile,
                    std::int32_t outputFormat, std::int32_t bitDepthIndex);

    HWND ManagerWindow() const { return m_manager; }
    const std::string& PicturePath() const { return m_picturePath; }
    // Where refused pictures are kept: "Recovered" in the program folder
    // unless set.
    void SetRecoveryFolder(const std::string& folder) { m_recoveryFolder = folder; }
    std::string RecoveryFolder() const;

private:
    Result Deliver(std::uint64_t kind, PictureDescriptor& descriptor, CImageProfile& profile);
    Result KeepPicture(CDib& picture, Result result);
    void CleanUp();
    void Write(const char* line) const;

    Log m_log;
    HWND m_owner = 0;
    HWND m_manager = 0;
    std::string m_pictureReservation; // the empty file GetTempFileName made
    std::string m_picturePath;
    std::string m_profileReservation;
    std::string m_profilePath;
    std::string m_recoveryFolder;
};

} // namespace tavrel
