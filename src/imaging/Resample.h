#pragma once
// Separable bicubic (Catmull-Rom) resampling of 24-bit rows, widened into an
// antialiasing filter when shrinking. Taps beyond the picture repeat the edge
// pixel; weights are 14-bit fixed point summing to exactly one, so a flat
// picture stays flat to the bit.

#include <cstdint>

namespace tavrel::imaging
{

// dst holds dstHeight rows of dstRowBytes; its padding bytes are zeroed.
// False for empty sizes or rows too short for their width.
bool ResampleBgr24(const std::uint8_t* src, int srcWidth, int srcHeight, int srcRowBytes,
                   std::uint8_t* dst, int dstWidth, int dstHeight, int dstRowBytes);

// Forces the portable kernels (for tests that compare them with the vector ones).
void SetResampleVectorKernels(bool enabled);

} // namespace tavrel::imaging
