#pragma once
// The fixed sequences of picture operations that both programs run around
// CImageProfile::ProcessImage: the capture program's live-preview frame, its
// still capture up to the hand-over and its restore-to-bitmap export, and the
// manager's treatment of a picture received as pixels or as a file.

#include "imaging/ImageProfile.h"

#include <functional>
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

// The picture kind a sender uses for pictures it has processed itself.
constexpr int kPictureKindProcessed = 1008;

// A picture received as pixels: load the profile that came with it (manager
// flavour), ProcessImage(0) unless kind is 1008, double the size when the
// profile asks for it and kind is not 1008. 0 when the profile cannot be
// loaded: the picture must then be neither processed nor stored.
int ProcessReceivedPixels(const std::string& profilePath, int kind, CDib& picture);

// Stores a picture and reports the path it was written to.
using StorePictureFn = std::function<bool(CDib& picture, std::string& storedPath)>;

// A picture received as a file: load the profile (manager flavour) and the
// file, and store it without ProcessImage. When doubleResolution is 1 the
// picture is doubled before it is stored, so the file is encoded once, in the
// format the store chooses, instead of being re-read and re-saved as JPEG
// under a name that may say TIFF. 0 when the profile or the file cannot be
// read or the store fails.
int ProcessReceivedFile(const std::string& profilePath, const std::string& picturePath,
                        const StorePictureFn& store, std::string* storedPath = nullptr);

} // namespace tavrel
