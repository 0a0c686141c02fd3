#pragma once
// Edge-preserving noise and grain reduction: a guided filter in luma and
// colour-difference planes. The filter coefficients are found on a half-size
// picture and applied at full size with the full-size luma as guide, so edges
// stay where the picture has them while the work is a quarter of a full-size
// filter. Colour noise is coarser than luma grain and less visible as
// detail, so the colour planes get a wider window and a stronger threshold.
// The noise level is measured from the picture, so a clean picture is left
// almost as it is and `strength` only scales the threshold.

#include "plugins/BgrView.h"

namespace tavrel::restoration
{

// Standard deviations of the noise, in 8-bit levels of the half-size planes.
struct NoiseLevels
{
    double luma = 0;
    double blueDifference = 0;
    double redDifference = 0;
};

struct DenoiseSettings
{
    // 1 the default; 2 about twice the threshold. Clamped to 0.25..8.
    double strength = 1.0;
};

// Filters the picture in place. `progress` sees positions 0..total of its own
// total; returns the measured noise (zero for pictures below 4 × 4, which are
// left unchanged).
NoiseLevels DenoisePicture(const BgrView& picture, const DenoiseSettings& settings,
                           const ProgressSink& progress = {});

} // namespace tavrel::restoration
