#pragma once
// The denoiser's row kernels: small loops over one row (or a window of rows)
// of float planes, written for the vectoriser.

#include <cstdint>

namespace tavrel::restoration::denoise
{

// BT.601 luma weights, in the pixel's byte order.
constexpr float kLumaB = 0.114f;
constexpr float kLumaG = 0.587f;
constexpr float kLumaR = 0.299f;

// sum[x] = Σ rows[k][x]; with `squares`, also Σ rows[k][x]².
void SumRows(const float* const* rows, int count, int width, float* sum, float* squares);

// sum[x] = Σ a[k][x] · b[k][x].
void SumRowProducts(const float* const* a, const float* const* b, int count, int width, float* sum);

// Repeats the edge values r times on either side of row[0 … width).
void PadEdges(float* row, int width, int r);

// out[x] = scale · Σ_{k=-r..r} in[x + k]; `in` holds r repeated edge values
// on either side (in[-r] … in[width - 1 + r]).
void HorizontalBox(const float* in, int width, int r, float scale, float* out);

// The self-guided model of each window: a = var / (var + eps), b = mean (1 - a).
void SelfGuidedModel(const float* mean, const float* meanSquare, int width, float eps, float* a,
                     float* b);

// A colour difference p guided by the luma I: a = cov(I, p) / (var(I) + eps),
// b = mean(p) - a mean(I), written over mean(p) and mean(I p).
void JointGuidedModel(const float* meanI, const float* meanII, float* meanP, float* meanIP,
                      int width, float eps);

// q = a · guide + b.
void ApplyModel(const float* a, const float* b, const float* guide, int width, float* q);

// Half-size row to full width by linear interpolation: half-size sample i
// stands at picture position 2i + 0.5.
void Widen(const float* half, int halfWidth, int width, float* full);

// The picture row from the luma model (q = A · luma + B) and the colour
// models (the same, held within [low, high]), back to blue, green, red.
// `colour` holds blue's slope, offset, low and high, then red's.
void ComposeRow(std::uint8_t* px, const float* luma, const float* aY, const float* bY,
                const float* const* colour, int width);

// One row of luma.
void LumaRow(const std::uint8_t* px, int width, float* luma);

// Half-size samples of `pairs` full 2 × 2 blocks from two picture rows and
// their luma: the block's luma and its colour differences.
void HalfRow(const std::uint8_t* a, const std::uint8_t* b, const float* la, const float* lb,
             int pairs, float* luma, float* blue, float* red);

// lo/hi[x] = least and greatest of three rows' values at x - 1, x, x + 1;
// the rows hold one repeated edge value on either side, and so do `column`
// and `columnHigh`, the scratch rows.
void RangeOfThree(const float* a, const float* b, const float* c, int width, float* column,
                  float* columnHigh, float* lo, float* hi);

} // namespace tavrel::restoration::denoise
