#include "browser/ThumbnailCell.h"

#include "imaging/Resample.h"
#include "imaging/cwimage/dib/Dib.h"

#include <algorithm>
#include <cstring>

namespace tavrel
{

CellPlacement FitThumbnail(int width, int height)
{
    CellPlacement cell;
    if (width <= 0 || height <= 0)
        return cell;
    // Single precision, as the cell's original arithmetic: 0.8888889f is the
    // float nearest 40/45.
    const float r = float(height) / float(width);
    if (r > 0.8888889f)
    {
        cell.width = int(40.0f / r);
        cell.left = (kThumbnailWidth - cell.width) / 2;
        cell.height = kThumbnailHeight;
    }
    else
    {
        cell.width = kThumbnailWidth;
        cell.height = int(r * 45.0f);
        cell.top = (kThumbnailHeight - cell.height) / 2;
    }
    cell.width = std::max(cell.width, 1);
    cell.height = std::max(cell.height, 1);
    return cell;
}

ThumbnailImage RenderThumbnailCell(const CDib& picture)
{
    ThumbnailImage image;
    if (!picture.HasPixels() || picture.Width() <= 0 || picture.Height() <= 0)
        return image;

    // The resampler works on 24-bit rows; grey and 1-bit pictures are widened
    // row by row first.
    const int w = picture.Width();
    const int h = picture.Height();
    std::vector<std::uint8_t> widened;
    const std::uint8_t* source = picture.Pixels();
    int sourceStride = picture.RowSize();
    if (picture.BitsPerPixel() != 24)
    {
        sourceStride = CDib::RowSizeFor(w, 24);
        widened.assign(std::size_t(sourceStride) * std::size_t(h), 0);
        for (int y = 0; y < h; ++y)
        {
            const std::uint8_t* in = picture.Row(y);
            std::uint8_t* out = widened.data() + std::size_t(y) * std::size_t(sourceStride);
            for (int x = 0; x < w; ++x)
            {
                std::uint8_t v = 0;
                if (picture.BitsPerPixel() == 8)
                    v = in[x];
                else if (picture.BitsPerPixel() == 1)
                    v = (in[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
                out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = v;
            }
        }
        source = widened.data();
    }

    const CellPlacement cell = FitThumbnail(w, h);
    const int fittedStride = CDib::RowSizeFor(cell.width, 24);
    std::vector<std::uint8_t> fitted(std::size_t(fittedStride) * std::size_t(cell.height));
    if (!imaging::ResampleBgr24(source, w, h, sourceStride, fitted.data(), cell.width, cell.height,
                                fittedStride))
        return image;

    image.bgr.assign(std::size_t(kThumbnailWidth) * kThumbnailHeight * 3, 255);
    const int stride = image.Stride();
    for (int y = 0; y < cell.height && cell.top + y < kThumbnailHeight; ++y)
    {
        const int copyWidth = std::min(cell.width, kThumbnailWidth - cell.left);
        std::memcpy(image.bgr.data() + std::size_t(cell.top + y) * stride + 3 * cell.left,
                    fitted.data() + std::size_t(y) * fittedStride, std::size_t(copyWidth) * 3);
    }
    // The one-pixel white frame of the cell.
    std::memset(image.bgr.data(), 255, std::size_t(stride));
    std::memset(image.bgr.data() + std::size_t(kThumbnailHeight - 1) * stride, 255,
                std::size_t(stride));
    for (int y = 0; y < kThumbnailHeight; ++y)
    {
        std::uint8_t* row = image.bgr.data() + std::size_t(y) * stride;
        row[0] = row[1] = row[2] = 255;
        row[stride - 3] = row[stride - 2] = row[stride - 1] = 255;
    }
    return image;
}

} // namespace tavrel
