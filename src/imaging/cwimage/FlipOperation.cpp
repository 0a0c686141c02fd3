#include "imaging/cwimage/FlipOperation.h"

#include "imaging/cwimage/dib/Dib.h"

#include <cstring>
#include <vector>

namespace tavrel
{

int CFlipOperation::Apply(const CDib& source, CDib& destination)
{
    const int h = source.Height();
    if (!destination.CreateForOverwrite(source.Width(), h, source.BitsPerPixel(),
                                        source.XResolution()))
        return 0;
    destination.SetResolution(source.XResolution(), source.YResolution());
    const std::size_t rowSize = std::size_t(source.RowSize());
    for (int y = 0; y < h; ++y)
        std::memcpy(destination.Row(y), source.Row(h - 1 - y), rowSize);
    return 1;
}

int CFlipOperation::ApplyInPlace()
{
    // Swapping row pairs needs one row of room instead of a whole copy.
    CDib& pic = m_source;
    if (!pic.HasPixels())
        return 0;
    const std::size_t rowSize = std::size_t(pic.RowSize());
    std::vector<std::uint8_t> spare(rowSize);
    for (int top = 0, bottom = pic.Height() - 1; top < bottom; ++top, --bottom)
    {
        std::memcpy(spare.data(), pic.Row(top), rowSize);
        std::memcpy(pic.Row(top), pic.Row(bottom), rowSize);
        std::memcpy(pic.Row(bottom), spare.data(), rowSize);
    }
    return 1;
}

} // namespace tavrel
