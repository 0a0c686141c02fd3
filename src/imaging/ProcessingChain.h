#pragma once
// The fixed sequences of picture operations that both programs run around
// CImageProfile::ProcessImage: the capture program's live-preview frame, its
// still capture up to the hand-over and its restore-to-bitmap export, and the
// manager's treatment of a picture received as pixels or as a file.

#include "imaging/ImageProfile.h"

#include <cstdint>
#include <memory>
#include <string>

namespace tavrel
{

class CDib;

// Distances from the four edges of a frame, in pixels.
struct FrameMargins
{
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// Cropped width / target width, at least 1; 0 when the target has no width
// (the frame is then skipped rather than divided by zero).
int PreviewShrinkFactor(int croppedWidth, int targetWidth);

// One live-preview frame: half turn when `rotate` is 1, crop with the
// preview margins, shrink to about `targetWidth`, ProcessImage(1), and grey
// for black-and-white film (pictureType 2, an 8-bit result). `frame` (24-bit,
// top-down) is not changed. Null when there is nothing to draw: no pixels, a
// zero-width target or an empty crop.
std::unique_ptr<CDib> MakePreviewFrame(CImageProfile& profile, const CDib& frame,
                                       const FrameMargins& previewMargins, int targetWidth);

// The still picture up to the hand-over: half turn when `rotate` is 1, crop
// with the capture margins, resample to targetWidth × targetHeight when both
// are above 0 and differ from the cropped size, ProcessImage(0). The result
// goes to `picture`; returns what ProcessImage returned (0 also when the crop
// fails). Step timings ("Rotate:%d\n" …) are appended to `trace` if given.
int MakeStillPicture(CImageProfile& profile, const CDib& frame, const FrameMargins& captureMargins,
                     int targetWidth, int targetHeight, CDib& picture,
                     std::string* trace = nullptr);

// Restores `picture` into a bitmap file: SetProgressCallback(progress),
// ProcessImage(0), SaveFile(bmpPath, 0x03000000). 1 when the file was written.
int RestoreToBitmap(CImageProfile& profile, CDib& picture, ProgressFn progress,
                    const std::string& bmpPath);

// Smooth resampling to twice the width and height (24-bit result at 300 dpi).
// An 8-bit grey picture is resampled through equal-channel colour and comes
// back 8-bit, so its bytes are never read as 24-bit pixels. 0 on failure,
// the picture unchanged.
int DoublePictureSize(CDib& picture);

// The manager's processing of a received picture before it is stored, with
// the profile that came with it (manager flavour), by the picture's kind:
// - raw pixels (1001): ProcessImage(0), then twice the width and height when
//   the profile's doubleResolution is 1;
// - a picture file (1003): no ProcessImage; doubled on request here, before
//   it is stored, so that it is encoded once and in the format chosen;
// - pixels the sender has processed (1008): nothing.
// A grey picture (the profile's grey step, or a grey file) stays grey and
// 8-bit, also when doubled; a format that needs colour samples widens it as
// it is written. 0 when a step fails: the picture must not be stored then.
int ProcessReceivedPicture(CImageProfile& profile, std::uint64_t kind, CDib& picture);

} // namespace tavrel
