#include "imaging/cwimage/GreyOperation.h"

#include "imaging/cwimage/RowBands.h"
#include "imaging/cwimage/dib/Dib.h"

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
    for (int x = 0; x < n; ++x)
    {
        const unsigned b = bgr[3 * x], g = bgr[3 * x + 1], r = bgr[3 * x + 2];
        const unsigned sum = 299 * r + 587 * g + 114 * b;
        const unsigned q = sum / 1000;
        grey[x] = sum == q * 1000 ? GreyOf(int(r), int(g), int(b)) : static_cast<std::uint8_t>(q);
    }
}

int CGreyOperation::Apply(const CDib& source, CDib& destination)
{
    if (source.BitsPerPixel() != 24 || m_method != 0)
        return 0;
    const int w = source.Width(), h = source.Height();
    const int yRes = source.YResolution();
    if (!destination.Create(w, h, 8, source.XResolution()))
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
