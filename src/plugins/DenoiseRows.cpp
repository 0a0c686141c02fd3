#include "plugins/DenoiseRows.h"

#include <algorithm>

// Built twice, for AVX2 machines and for any x86-64; the loader picks one.
#define TAVREL_ROW_KERNEL __attribute__((target_clones("arch=x86-64-v3", "default")))

namespace tavrel::restoration::denoise
{

TAVREL_ROW_KERNEL void SumRows(const float* const* rows, int count, int width,
                               float* __restrict sum, float* __restrict squares)
{
    for (int x = 0; x < width; ++x)
    {
        sum[x] = 0.0f;
        if (squares != nullptr)
            squares[x] = 0.0f;
    }
    for (int k = 0; k < count; ++k)
    {
        const float* __restrict row = rows[k];
        if (squares != nullptr)
        {
            for (int x = 0; x < width; ++x)
            {
                sum[x] += row[x];
                squares[x] += row[x] * row[x];
            }
        }
        else
        {
            for (int x = 0; x < width; ++x)
                sum[x] += row[x];
        }
    }
}

TAVREL_ROW_KERNEL void SumRowProducts(const float* const* a, const float* const* b, int count,
                                      int width, float* __restrict sum)
{
    for (int x = 0; x < width; ++x)
        sum[x] = 0.0f;
    for (int k = 0; k < count; ++k)
    {
        const float* __restrict ra = a[k];
        const float* __restrict rb = b[k];
        for (int x = 0; x < width; ++x)
            sum[x] += ra[x] * rb[x];
    }
}

TAVREL_ROW_KERNEL void HorizontalBox(const float* __restrict in, int width, int r, float scale,
                                     float* __restrict out)
{
    for (int x = 0; x < width; ++x)
        out[x] = in[x - r];
    for (int k = 1 - r; k <= r; ++k)
        for (int x = 0; x < width; ++x)
            out[x] += in[x + k];
    for (int x = 0; x < width; ++x)
        out[x] *= scale;
}

TAVREL_ROW_KERNEL void SelfGuidedModel(const float* __restrict mean,
                                       const float* __restrict meanSquare, int width, float eps,
                                       float* __restrict a, float* __restrict b)
{
    for (int x = 0; x < width; ++x)
    {
        const float var = std::max(meanSquare[x] - mean[x] * mean[x], 0.0f);
        const float slope = var / (var + eps);
        a[x] = slope;
        b[x] = mean[x] - slope * mean[x];
    }
}

TAVREL_ROW_KERNEL void JointGuidedModel(const float* __restrict meanI,
                                        const float* __restrict meanII, float* __restrict meanP,
                                        float* __restrict meanIP, int width, float eps)
{
    for (int x = 0; x < width; ++x)
    {
        const float var = std::max(meanII[x] - meanI[x] * meanI[x], 0.0f) + eps;
        const float slope = (meanIP[x] - meanI[x] * meanP[x]) / var;
        meanIP[x] = meanP[x] - slope * meanI[x];
        meanP[x] = slope;
    }
}

TAVREL_ROW_KERNEL void ApplyModel(const float* __restrict a, const float* __restrict b,
                                  const float* __restrict guide, int width, float* __restrict q)
{
    for (int x = 0; x < width; ++x)
        q[x] = a[x] * guide[x] + b[x];
}

TAVREL_ROW_KERNEL void Widen(const float* __restrict half, int halfWidth, int width,
                             float* __restrict full)
{
    full[0] = half[0];
    // Pixels 2i - 1 and 2i lie between samples i - 1 and i.
    const int inner = std::min(halfWidth, (width + 1) / 2);
    for (int i = 1; i < inner; ++i)
    {
        full[2 * i - 1] = 0.75f * half[i - 1] + 0.25f * half[i];
        full[2 * i] = 0.25f * half[i - 1] + 0.75f * half[i];
    }
    if (2 * inner - 1 < width)
        full[2 * inner - 1] = half[halfWidth - 1];
}

TAVREL_ROW_KERNEL void ComposeRow(std::uint8_t* __restrict px, const float* __restrict luma,
                                  const float* __restrict aY, const float* __restrict bY,
                                  const float* const* __restrict colour, int width)
{
    const float* __restrict aB = colour[0];
    const float* __restrict bB = colour[1];
    const float* __restrict loB = colour[2];
    const float* __restrict hiB = colour[3];
    const float* __restrict aR = colour[4];
    const float* __restrict bR = colour[5];
    const float* __restrict loR = colour[6];
    const float* __restrict hiR = colour[7];
    for (int x = 0; x < width; ++x)
    {
        const float y = luma[x];
        const float qy = aY[x] * y + bY[x];
        const float qb = qy + std::clamp(aB[x] * y + bB[x], loB[x], hiB[x]);
        const float qr = qy + std::clamp(aR[x] * y + bR[x], loR[x], hiR[x]);
        const float qg = (qy - kLumaB * qb - kLumaR * qr) * (1.0f / kLumaG);
        px[3 * x] = std::uint8_t(std::clamp(qb + 0.5f, 0.0f, 255.0f));
        px[3 * x + 1] = std::uint8_t(std::clamp(qg + 0.5f, 0.0f, 255.0f));
        px[3 * x + 2] = std::uint8_t(std::clamp(qr + 0.5f, 0.0f, 255.0f));
    }
}

void PadEdges(float* row, int width, int r)
{
    for (int k = 1; k <= r; ++k)
    {
        row[-k] = row[0];
        row[width - 1 + k] = row[width - 1];
    }
}

TAVREL_ROW_KERNEL void LumaRow(const std::uint8_t* __restrict px, int width, float* __restrict luma)
{
    for (int x = 0; x < width; ++x)
        luma[x] = kLumaB * px[3 * x] + kLumaG * px[3 * x + 1] + kLumaR * px[3 * x + 2];
}

TAVREL_ROW_KERNEL void HalfRow(const std::uint8_t* __restrict a, const std::uint8_t* __restrict b,
                               const float* __restrict la, const float* __restrict lb, int pairs,
                               float* __restrict luma, float* __restrict blue,
                               float* __restrict red)
{
    for (int i = 0; i < pairs; ++i)
    {
        const int p = 6 * i;
        const float sb = float(a[p] + a[p + 3] + b[p] + b[p + 3]) * 0.25f;
        const float sr = float(a[p + 2] + a[p + 5] + b[p + 2] + b[p + 5]) * 0.25f;
        const float y = (la[2 * i] + la[2 * i + 1] + lb[2 * i] + lb[2 * i + 1]) * 0.25f;
        luma[i] = y;
        blue[i] = sb - y;
        red[i] = sr - y;
    }
}

TAVREL_ROW_KERNEL void RangeOfThree(const float* __restrict a, const float* __restrict b,
                                    const float* __restrict c, int width, float* __restrict column,
                                    float* __restrict columnHigh, float* __restrict lo,
                                    float* __restrict hi)
{
    for (int x = -1; x <= width; ++x)
    {
        column[x] = std::min(std::min(a[x], b[x]), c[x]);
        columnHigh[x] = std::max(std::max(a[x], b[x]), c[x]);
    }
    for (int x = 0; x < width; ++x)
    {
        lo[x] = std::min(std::min(column[x - 1], column[x]), column[x + 1]);
        hi[x] = std::max(std::max(columnHigh[x - 1], columnHigh[x]), columnHigh[x + 1]);
    }
}

} // namespace tavrel::restoration::denoise
