#include "imaging/cwimage/GreyOperation.h"

#include "imaging/cwimage/RowBands.h"
#include "imaging/cwimage/dib/Dib.h"

namespace tavrel
{

std::uint8_t CGreyOperation::GreyOf(int red, int green, int blue)
{
    return static_cast<std::uint8_t>(0.299 * red + 0.587 * green + 0.114 * blue);
}

void CGreyOperation::GreyRow(const std::uint8_t* bgr, std::uint8_t* grey, int n)
{
    // In integers, N = 299 R + 587 G + 114 B is exact and the double formula
    // lies within 1e-12 of N / 1000. Unless N is a multiple of 1000 the
    // truncation of both is the same; on a multiple the double sum may fall
    // just below the integer, so those pixels take the double formula itself.
    // Eight pixels per step with one test for the rare multiples.
    constexpr int kStep = 8;
    int x = 0;
    for (; x + kStep <= n; x += kStep)
    {
        std::uint32_t q[kStep];
        std::uint32_t exact = 0;
        for (int k = 0; k < kStep; ++k)
        {
            const std::uint8_t* p = bgr + 3 * (x + k);
            const std::uint32_t sum = 299u * p[2] + 587u * p[1] + 114u * p[0];
            // floor(sum / 1000) for every sum below 2^24.
            q[k] = std::uint32_t((std::uint64_t(sum) * 4294968u) >> 32);
            exact |= std::uint32_t(sum == q[k] * 1000u);
        }
        for (int k = 0; k < kStep; ++k)
            grey[x + k] = static_cast<std::uint8_t>(q[k]);
        if (exact)
            for (int k = 0; k < kStep; ++k)
            {
                const std::uint8_t* p = bgr + 3 * (x + k);
                grey[x + k] = GreyOf(p[2], p[1], p[0]);
            }
    }
    for (; x < n; ++x)
    {
        const std::uint8_t* p = bgr + 3 * x;
        grey[x] = GreyOf(p[2], p[1], p[0]);
    }
}

int CGreyOperation::Apply(const CDib& source, CDib& destination)
{
    if (source.BitsPerPixel() != 24 || m_method != 0)
        return 0;
    const int w = source.Width(), h = source.Height();
    const int yRes = source.YResolution();
    if (!destination.CreateForOverwrite(w, h, 8, source.XResolution()))
        return 0;
    destination.SetResolution(source.XResolution(), yRes);
    ForRowBands(h, std::size_t(w) * 4 * std::size_t(h),
                [&](int y0, int y1)
                {
                    for (int y = y0; y < y1; ++y)
                        GreyRow(source.Row(y), destination.Row(y), w);
                });
    return 1;
}

} // namespace tavrel
