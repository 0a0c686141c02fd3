#pragma once
// The processing profile of both programs, stored as an "imgcfg" XML file,
// and the processing chain that applies it (ProcessImage).

#include "imaging/FlatFieldMap.h"
#include "imaging/RestorationParams.h"
#include "shared/XmlDocument.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace tavrel
{

class CDib;

struct PictureMode
{
    std::int32_t color = 0;
    std::int32_t ae = 0;
    std::int32_t bright = 0;
    std::int32_t contrast = 0;
    std::int32_t r = 0;
    std::int32_t g = 0;
    std::int32_t b = 0;
    std::int32_t saturation = 0;
};

// The two programs differ in how they load, what ProcessImage does in the
// denoise, double-resolution and grey steps, and whether they write profiles.
enum class ProfileFlavour
{
    Capture,
    Manager
};

using RestorationFn = void (*)(RestorationParams* block, std::uint8_t* pixels);
using ProgressFn = int (*)(std::int32_t position, std::int32_t total);
using SetCallBackFn = void (*)(ProgressFn callback);

class CImageProfile
{
public:
    explicit CImageProfile(ProfileFlavour flavour);
    virtual ~CImageProfile();
    CImageProfile(const CImageProfile&) = delete;
    CImageProfile& operator=(const CImageProfile&) = delete;

    virtual int LoadProfile(const std::string& path);
    virtual int SaveProfileAs(const std::string& path); // capture flavour
    virtual int SaveProfile();                          // capture flavour
    virtual int ParseProfile();
    std::u16string BuildProfileDocument();

    // mode 0 full, 1 preview; 1 on success, 0 for an empty picture.
    int ProcessImage(int mode, CDib& image);

    int SetColorBalance(int r, int g, int b);
    int SetDeltaScale(int v);
    int SetStrengthPercent(int p);
    int SetPictureType(int t);
    int GetPictureType() const { return pictureType; }
    int SetDoubleResolution(int v);
    int GetDoubleResolution() const { return doubleResolution; }
    int SetDenoiseEnabled(int v);
    int GetDenoiseEnabled() const { return denoiseEnabled; }
    int SetProgressCallback(ProgressFn fn);

    // Lens calibration (capture program). Calibrate keeps the flat-field map
    // of a frame of the empty holder (1; 0, *fault set, for a frame that is
    // not one: see FlatFieldMap::FromBlankFrame);
    // SelectCalibrationFile then writes it to the named reference file
    // ("Positive.ver" …, in the program folder unless the name has a folder)
    // and puts it in force; without a fresh map it loads that file. A missing
    // or damaged file leaves no correction in force, and gives 0.
    int Calibrate(const CDib& image, BlankFrameFault* fault = nullptr);
    int SelectCalibrationFile(const std::string& name);
    // Corrects a frame with the map in force before it is turned and cropped;
    // 1 when a map was applied. Safe against a concurrent SelectCalibrationFile.
    int ApplyCalibration(CDib& frame) const;
    bool HasCalibration() const;

    ProfileFlavour Flavour() const { return m_flavour; }
    // pictureModeSelect outside 0..3 selects mode 0 rather than reading past
    // the table; the stored value itself is kept (and saved) as it is.
    int ActiveModeIndex() const;
    const PictureMode& ActiveMode() const;
    bool PluginLoaded() const { return pluginModule != nullptr; }

    // Fields in the design's order.
    PictureMode pictureModes[4];
    std::int32_t pictureModeSelect = 0;
    RestorationParams block{};
    std::int32_t denoiseEnabled = 0;
    std::int32_t gray = 0;
    RestorationFn restorationEntry = nullptr;
    SetCallBackFn callbackSetterEntry = nullptr;
    void* pluginModule = nullptr;
    std::int32_t pictureType = 0;
    CXmlDocument document;
    std::int32_t doubleResolution = 0;
    std::string profilePath;
    std::int32_t reverse = 0;
    std::int32_t rotate = 1;
    std::int32_t negative = 1;

private:
    int LoadCaptureText(const std::string& path);
    void ReadPictureModes();

    ProfileFlavour m_flavour;
    // The preview and capture threads read the map while the film switch
    // replaces it.
    mutable std::mutex m_calibrationMutex;
    std::shared_ptr<const FlatFieldMap> m_freshCalibration;
    std::shared_ptr<const FlatFieldMap> m_calibration;
};

} // namespace tavrel
