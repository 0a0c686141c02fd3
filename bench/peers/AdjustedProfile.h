#pragma once
// The capture profile the chain benchmarks run: full mode, positive, colour,
// every adjustment of the first picture mode away from zero, so that no step
// is skipped as a no-op.

#include "imaging/ImageProfile.h"

namespace tavrel::benchpicture
{

inline void PrepareAdjusted(CImageProfile& profile, int doubleResolution)
{
    profile.reverse = 0;
    profile.gray = 0;
    profile.doubleResolution = doubleResolution;
    profile.pictureModeSelect = 0;
    PictureMode& mode = profile.pictureModes[0];
    mode.saturation = 30;
    mode.bright = 12;
    mode.contrast = 20;
    mode.r = 6;
    mode.g = -4;
    mode.b = 9;
}

} // namespace tavrel::benchpicture
