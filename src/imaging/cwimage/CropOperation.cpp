#include "imaging/cwimage/CropOperation.h"

#include "imaging/cwimage/PixelKernels.h"
#include "imaging/cwimage/dib/Dib.h"

#include <algorithm>
#include <cstring>

namespace tavrel
{

int CCropOperation::Apply(const CDib& source, CDib& destination)
{
    const int left = std::max(m_left, 0);
    const int top = std::max(m_top, 0);
    const int right = std::min(m_right, source.Width());
    const int bottom = std::min(m_bottom, source.Height());
    if (left > right || top > bottom)
        return 0;
    const int w = right - left, h = bottom - top, bpp = source.BitsPerPixel();
    if (!destination.CreateForOverwrite(w, h, bpp, source.XResolution()))
        return 0;
    destination.SetResolution(source.XResolution(), source.YResolution());
    for (int y = 0; y < h; ++y)
    {
        const std::uint8_t* src = source.Row(top + y);
        std::uint8_t* dst = destination.Row(y);
        if (bpp == 1)
            pixelkernels::CopyBits(src, std::size_t(source.RowSize()), left, w, dst);
        else
            std::memcpy(dst, src + std::size_t(left) * (bpp / 8), std::size_t(w) * (bpp / 8));
    }
    return 1;
}

} // namespace tavrel
