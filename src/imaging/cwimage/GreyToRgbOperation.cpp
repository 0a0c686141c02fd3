#include "imaging/cwimage/GreyToRgbOperation.h"

#include "imaging/cwimage/RowBands.h"
#include "imaging/cwimage/dib/Dib.h"

#include <cstring>

namespace tavrel
{

namespace
{

void ExpandRow(const std::uint8_t* grey, std::uint8_t* bgr, int n)
{
    int x = 0;
    // Four pixels per step as three 32-bit words.
    for (; x + 4 <= n; x += 4)
    {
        const std::uint32_t a = grey[x], b = grey[x + 1], c = grey[x + 2], d = grey[x + 3];
        const std::uint32_t w0 = a | (a << 8) | (a << 16) | (b << 24);
        const std::uint32_t w1 = b | (b << 8) | (c << 16) | (c << 24);
        const std::uint32_t w2 = c | (d << 8) | (d << 16) | (d << 24);
        std::memcpy(bgr + 3 * x, &w0, 4);
        std::memcpy(bgr + 3 * x + 4, &w1, 4);
        std::memcpy(bgr + 3 * x + 8, &w2, 4);
    }
    for (; x < n; ++x)
        bgr[3 * x] = bgr[3 * x + 1] = bgr[3 * x + 2] = grey[x];
}

} // namespace

int CGreyToRgbOperation::Apply(const CDib& source, CDib& destination)
{
    if (source.BitsPerPixel() != 8)
        return 0;
    const int w = source.Width(), h = source.Height();
    const int yRes = source.YResolution();
    if (!destination.CreateForOverwrite(w, h, 24, source.XResolution()))
        return 0;
    destination.SetResolution(source.XResolution(), yRes);
    ForRowBands(h, std::size_t(w) * 4 * std::size_t(h),
                [&](int y0, int y1)
                {
                    for (int y = y0; y < y1; ++y)
                        ExpandRow(source.Row(y), destination.Row(y), w);
                });
    return 1;
}

} // namespace tavrel
