#pragma once
// Numbers of the dialogs' controls that only the view has (frames, group
// boxes, labels, value edits); the engine's commands are in CaptureState.h.

#include "capture/CaptureState.h"

namespace tavrel::control
{
constexpr int kTestPicture = 1000;
constexpr int kPreviewFrame = 1005;
constexpr int kTestProgress = 1008;
constexpr int kCyanRedValue = 1023;
constexpr int kMagentaGreenValue = 1024;
constexpr int kYellowBlueValue = 1025;
constexpr int kBrightnessValue = 1026;
constexpr int kContrastValue = 1027;
constexpr int kSaturationValue = 1032;
constexpr int kTestGroup = 1041;
constexpr int kFormatLabel = 1045;
constexpr int kBitDepthLabel = 1046;
constexpr int kAdjustGroup = 1047;

// The progress popup's bar and the calibration dialog's controls.
constexpr int kPopupProgress = 1035;
constexpr int kCalibrationProgress = 1035;
constexpr int kCalibrationStart = 1036;
constexpr int kCalibrationStatus = 1037;
constexpr int kCalibrationSecondText = 1038;

// The system menu's About entry (WM_SYSCOMMAND).
constexpr unsigned kAboutCommand = 0x10;
} // namespace tavrel::control
