#pragma once
// The icon view's 45 × 40 cell: the picture fitted by the design's rule on a
// white ground, framed by one white pixel.

#include <cstdint>
#include <vector>

namespace tavrel
{

class CDib;

constexpr int kThumbnailWidth = 45;
constexpr int kThumbnailHeight = 40;

struct CellPlacement
{
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// Fits a width × height picture into the cell: taller than 40/45 fills the
// height (width 40 / r, centred), else the width (height r × 45, centred).
CellPlacement FitThumbnail(int width, int height);

struct ThumbnailImage
{
    // kThumbnailHeight rows of kThumbnailWidth blue-green-red pixels, no padding.
    std::vector<std::uint8_t> bgr;
    int Stride() const { return 3 * kThumbnailWidth; }
};

// Empty image when the picture has no pixels. 1- and 8-bit pictures are drawn
// in grey.
ThumbnailImage RenderThumbnailCell(const CDib& picture);

} // namespace tavrel
