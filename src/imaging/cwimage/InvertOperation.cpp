#include "imaging/cwimage/InvertOperation.h"

#include "imaging/cwimage/PixelKernels.h"
#include "imaging/cwimage/RowBands.h"
#include "imaging/cwimage/dib/Dib.h"

#include <algorithm>

namespace tavrel
{

int CInvertOperation::ApplyTo(CDib& destination)
{
    if (!InvertSource())
        return 0;
    return &destination == &m_source ? 1 : destination.CopyFrom(m_source);
}

int CInvertOperation::ApplyInPlace()
{
    return InvertSource();
}

int CInvertOperation::Apply(const CDib&, CDib& destination)
{
    // Invert always works on the source; ApplyTo and ApplyInPlace cover it.
    return ApplyTo(destination);
}

int CInvertOperation::InvertSource()
{
    CDib& pic = m_source;
    if (!pic.HasPixels())
        return 0;
    int left = m_left, top = m_top, right = m_right, bottom = m_bottom;
    if (left == 0 && top == 0 && right == 0 && bottom == 0)
    {
        right = pic.Width();
        bottom = pic.Height();
    }
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, pic.Width());
    bottom = std::min(bottom, pic.Height());
    if (left > right || top > bottom)
        return 0;
    if (left == right || top == bottom)
        return 1;

    const int bpp = pic.BitsPerPixel();
    const std::size_t bytesPerRow =
        bpp == 1 ? std::size_t(right - left + 7) / 8 : std::size_t(right - left) * (bpp / 8);
    ForRowBands(bottom - top, bytesPerRow * std::size_t(bottom - top),
                [&](int y0, int y1)
                {
                    for (int y = top + y0; y < top + y1; ++y)
                    {
                        std::uint8_t* row = pic.Row(y);
                        if (bpp == 1)
                            pixelkernels::InvertBits(row, left, right);
                        else
                        {
                            const int bytes = bpp / 8;
                            pixelkernels::InvertBytes(row + left * bytes, row + left * bytes,
                                                      std::size_t(right - left) * bytes);
                        }
                    }
                });
    return 1;
}

} // namespace tavrel
