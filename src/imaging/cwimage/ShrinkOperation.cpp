#include "imaging/cwimage/ShrinkOperation.h"

#include "imaging/cwimage/RowBands.h"
#include "imaging/cwimage/dib/Dib.h"

#include <vector>

namespace tavrel
{

namespace
{

// Adds one source row into per-output-sample sums; channels 1 or 3.
void AccumulateRow(const std::uint8_t* src, std::uint32_t* sums, int outWidth, int f, int channels)
{
    if (channels == 3)
    {
        for (int x = 0; x < outWidth; ++x)
        {
            const std::uint8_t* p = src + std::size_t(x) * f * 3;
            std::uint32_t b = 0, g = 0, r = 0;
            for (int k = 0; k < f; ++k)
            {
                b += p[3 * k];
                g += p[3 * k + 1];
                r += p[3 * k + 2];
            }
            sums[3 * x] += b;
            sums[3 * x + 1] += g;
            sums[3 * x + 2] += r;
        }
    }
    else
    {
        for (int x = 0; x < outWidth; ++x)
        {
            const std::uint8_t* p = src + std::size_t(x) * f;
            std::uint32_t v = 0;
            for (int k = 0; k < f; ++k)
                v += p[k];
            sums[x] += v;
        }
    }
}

// Adds the set bits of one 1-bit source row to per-output-pixel counts.
void CountRow(const std::uint8_t* src, std::uint32_t* counts, int outWidth, int f)
{
    for (int x = 0; x < outWidth; ++x)
    {
        const int first = x * f;
        std::uint32_t n = 0;
        for (int k = first; k < first + f; ++k)
            n += (src[k >> 3] >> (7 - (k & 7))) & 1u;
        counts[x] += n;
    }
}

} // namespace

int CShrinkOperation::Apply(const CDib& source, CDib& destination)
{
    const int f = m_factor;
    if (f < 1)
        return 0;
    const int bpp = source.BitsPerPixel();
    const int outW = source.Width() / f, outH = source.Height() / f;
    const int outBpp = bpp == 1 ? 8 : bpp;
    if (!destination.CreateForOverwrite(outW, outH, outBpp, source.XResolution()))
        return 0;
    destination.SetResolution(source.XResolution(), source.YResolution());
    const int channels = bpp == 24 ? 3 : 1;
    const std::uint32_t area = std::uint32_t(f) * std::uint32_t(f);
    // The 1-bit step is taken as an integer first, as the grey scale is built.
    const std::uint32_t step = 255u / area;
    // The usual factors are powers of two, where a shift replaces the division.
    const int shift = (area & (area - 1)) == 0 ? __builtin_ctz(area) : -1;

    ForRowBands(outH, source.PixelBytes(),
                [&](int y0, int y1)
                {
                    std::vector<std::uint32_t> sums(std::size_t(outW) * channels);
                    for (int y = y0; y < y1; ++y)
                    {
                        std::fill(sums.begin(), sums.end(), 0u);
                        for (int k = 0; k < f; ++k)
                        {
                            const std::uint8_t* src = source.Row(y * f + k);
                            if (bpp == 1)
                                CountRow(src, sums.data(), outW, f);
                            else
                                AccumulateRow(src, sums.data(), outW, f, channels);
                        }
                        std::uint8_t* dst = destination.Row(y);
                        if (bpp == 1)
                        {
                            for (int x = 0; x < outW; ++x)
                                dst[x] = static_cast<std::uint8_t>(255u - sums[x] * step);
                        }
                        else if (shift >= 0)
                        {
                            for (std::size_t i = 0; i < sums.size(); ++i)
                                dst[i] = static_cast<std::uint8_t>(sums[i] >> shift);
                        }
                        else
                        {
                            for (std::size_t i = 0; i < sums.size(); ++i)
                                dst[i] = static_cast<std::uint8_t>(sums[i] / area);
                        }
                    }
                });
    return 1;
}

} // namespace tavrel
