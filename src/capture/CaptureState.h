#pragma once
// What the capture dialog shows, as one snapshot of the engine, and the
// names of its choices.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tavrel
{

// Control and command ids of the capture dialog.
namespace control
{
constexpr int kSaveRawFrame = 1001;
constexpr int kDenoise = 1002;
constexpr int kRestoreFromDevice = 1003;
constexpr int kConfigSensor = 1004;
constexpr int kRenderPreview = 1006;
constexpr int kRestoreFromFile = 1007;
constexpr int kBrightness = 1009;
constexpr int kContrast = 1010;
constexpr int kCyanRed = 1011;
constexpr int kMagentaGreen = 1012;
constexpr int kYellowBlue = 1013;
constexpr int kResolution18 = 1014;
constexpr int kResolution36 = 1015;
constexpr int kPositive = 1016;
constexpr int kNegative = 1017;
constexpr int kBlackWhite = 1018;
constexpr int kNatural = 1019;
constexpr int kVivid = 1020;
constexpr int kNostalgic = 1021;
constexpr int kCapture = 1028;
constexpr int kCustom = 1030;
constexpr int kSaturation = 1031;
constexpr int kVerify = 1033;
constexpr int kShowPic = 1034;
constexpr int kStartCalibration = 1039;
constexpr int kFormat = 1043;
constexpr int kBitDepth = 1044;
constexpr int kSize5x7 = 1048;
constexpr int kSize4x6 = 1049;
constexpr int kSize3x5 = 1050;
constexpr int kSizeNameCard = 1051;
constexpr int kStillArrived = 2001;
constexpr int kFinalExit = 2005;
} // namespace control

constexpr unsigned kCaptureTimerId = 1001;

enum class CaptureMode
{
    Film = 0,
    Photo = 1
};

// The profile's picture type; None until the film dialog has chosen.
enum class FilmType
{
    Positive = 0,
    Negative = 1,
    BlackWhite = 2,
    None = 10
};

enum class PhotoSize
{
    None = 0,
    Size5x7 = 1,
    Size4x6 = 2,
    Size3x5 = 3,
    NameCard = 4,
    Test = 5
};

// The profile's picture modes: three presets and the user's own.
enum class Preset
{
    Natural = 0,
    Vivid = 1,
    Nostalgic = 2,
    Custom = 3
};

// The six sliders, 0..200, showing value + 100.
enum class Slider
{
    Brightness,   // 1009
    Contrast,     // 1010
    Saturation,   // 1031
    CyanRed,      // 1011
    MagentaGreen, // 1012
    YellowBlue    // 1013
};
constexpr int kSliderCount = 6;
constexpr int kSliderMax = 200;

// What started the capture under way.
enum class CaptureSource
{
    None = 0,
    DeviceButton = 1,
    ScreenButton = 2
};

// The camera's stream as the user should hear of it.
enum class StreamStatus
{
    NoDevice,  // nothing opened
    Streaming, // frames arrive
    Stalled,   // no frame for a while; the camera is retried
    Lost       // the camera has gone
};

// How the last picture handed to the manager fared.
enum class HandoverResult
{
    None,      // nothing handed over yet
    Stored,    // the manager stored it
    Kept,      // not stored; kept on disk (lastKeptPath)
    Lost,      // not stored and could not be kept
    NoManager, // the manager was not running
    NoPicture  // the camera gave no picture
};

// What became of a lens calibration frame.
enum class CalibrationResult
{
    Taken,         // the film type's reference is written and in force
    NoFrame,       // the camera gave no frame
    HolderInPlace, // the frame shows film or a holder: nothing changed
    TooDark        // no light to measure: nothing changed
};

struct CaptureState
{
    CaptureMode mode = CaptureMode::Film;
    bool graphReady = false;
    bool devicePresent = false; // the graph is built and its camera not lost
    StreamStatus stream = StreamStatus::NoDevice;
    bool captureButtonEnabled = false;
    bool stillMode = true;
    bool imageInProcess = false;
    bool progressVisible = false;
    int retryCount = 0;
    int tryLoop = 3;

    FilmType filmType = FilmType::None;
    PhotoSize photoSize = PhotoSize::None;
    bool nameCardEnabled = true;

    std::array<int, kSliderCount> sliders{100, 100, 100, 100, 100, 100}; // by Slider
    bool slidersEnabled = false;
    Preset preset = Preset::Natural;
    bool doubleResolution = false; // 1015 checked, else 1014
    std::string resolutionLabels[2] = {"1800 dpi", "3600 dpi"};
    bool denoise = false;

    bool formatChoiceShown = false; // "Can48Bit.ini"
    int outputFormat = 0;           // 0 "JPG", 1 "TIFF"
    std::vector<std::string> bitDepthChoices{"24Bit"};
    int bitDepthIndex = 0; // 0 "24Bit", 1 "48Bit"

    HandoverResult lastHandover = HandoverResult::None;
    std::string lastKeptPath;
    int progressRange = 0; // test functions' progress bar 1008
};

// Slider value shown beside it ("%d" of position - 100).
inline int SliderValue(int position)
{
    return position - 100;
}

} // namespace tavrel
