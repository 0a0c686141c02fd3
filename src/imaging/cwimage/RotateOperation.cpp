#include "imaging/cwimage/RotateOperation.h"

#include "imaging/cwimage/PixelKernels.h"
#include "imaging/cwimage/RowBands.h"
#include "imaging/cwimage/dib/Dib.h"

namespace tavrel
{

int CRotateOperation::Apply(const CDib& source, CDib& destination)
{
    if (m_turn != kHalfTurn)
        return 0;
    const int w = source.Width(), h = source.Height(), bpp = source.BitsPerPixel();
    if (!destination.CreateForOverwrite(w, h, bpp, source.XResolution()))
        return 0;
    destination.SetResolution(source.XResolution(), source.YResolution());
    ForRowBands(h, source.PixelBytes() * 2,
                [&](int y0, int y1)
                {
                    for (int y = y0; y < y1; ++y)
                    {
                        const std::uint8_t* src = source.Row(h - 1 - y);
                        std::uint8_t* dst = destination.Row(y);
                        if (bpp == 24)
                            pixelkernels::ReversePixels24(src, dst, std::size_t(w));
                        else if (bpp == 8)
                            pixelkernels::ReverseBytes(src, dst, std::size_t(w));
                        else
                            pixelkernels::ReverseBits(src, dst, w);
                    }
                });
    return 1;
}

} // namespace tavrel
