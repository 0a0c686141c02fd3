#pragma once
// The scanner's transfer curve: its 8-bit values encode linear light with a
// plain power law. Gains on light (flat field, white balance, exposure) are
// applied in linear light; for a power law a linear gain g is the same as
// multiplying encoded values by g^(1/gamma), which keeps per-pixel work cheap.

#include <algorithm>
#include <cmath>

namespace tavrel
{

constexpr double kScanGamma = 2.2;

// 0..255 encoded to 0..1 linear.
inline double ScanToLinear(double encoded)
{
    return std::pow(std::clamp(encoded, 0.0, 255.0) / 255.0, kScanGamma);
}

// 0..1 linear (clipped) to 0..255 encoded, not rounded.
inline double LinearToScan(double linear)
{
    return 255.0 * std::pow(std::clamp(linear, 0.0, 1.0), 1.0 / kScanGamma);
}

// The factor on encoded values that a gain on linear light amounts to.
inline double EncodedGain(double linearGain)
{
    return std::pow(std::max(linearGain, 0.0), 1.0 / kScanGamma);
}

} // namespace tavrel
