#pragma once
// The restoration as the plug-in runs it on one picture.

#include "plugins/BgrView.h"

namespace tavrel::restoration
{

// Largest width or height accepted; anything larger is left alone.
constexpr int kMaxSide = 1 << 16;

// Runs the steps the block asks for on the picture at `pixels` (24-bit,
// rows padded to 4 bytes, height and width from the block), in place:
//   denoise switch       denoising, strength from the denoise scale (0 = 1)
//   AWB_En or AE_En      the colour and tone steps below, in this order:
//     negative byte 1      film-base removal (the picture arrives inverted)
//     otherwise, AWB_En    white balance over the AWB region
//     AE_En                exposure: mean luma over the AE region to TargetY
//     gTable               tone curve (identity or all zero: none; entry 255,
//                          which profile files never hold, continues the curve)
//     CE_Sel               colour enhancement (0 none)
// A call for denoising alone changes nothing but the noise. The block is only
// read. Returns false, leaving every pixel as it was, for a picture it cannot
// take (no pixels, a side of 0 or above kMaxSide, not enough memory).
bool RestorePicture(const RestorationParams& block, std::uint8_t* pixels,
                    const ProgressSink& progress = {});

} // namespace tavrel::restoration
