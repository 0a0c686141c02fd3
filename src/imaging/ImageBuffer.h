#pragma once
// The imaging operations that the processing chain calls: a 24-bit picture
// (blue, green, red) with colour adjustments, smooth resampling, and file
// input and output by format number. Rows keep the order and padding they
// came in with; only Resample lays out new rows (padded to 4 bytes, zeroed).
//
// Formulas, all on 8-bit channels with results clamped to 0..255:
// - Saturate(a): luma Y = (9798 R + 19235 G + 3735 B + 16384) >> 15 (BT.601);
//   each channel C becomes Y + round((C - Y) × (100 + a) / 100), halves away
//   from zero. Scaling the three differences from Y scales U and V of YUV by
//   the same factor and keeps Y. a is limited to -100 (grey) .. 400.
// - Light(b, c): C becomes 128 + round((C - 128) × (100 + c) / 100) + b:
//   contrast c in percent around mid-grey (-100 flat .. 100 doubled), then
//   brightness b in levels (-255 .. 255). Monotone in C.
// - ShiftRGB(r, g, b): each channel plus its amount (-255 .. 255).
// Amount 0 (and Light(0, 0)) changes no bit.
// - Resample: separable Catmull-Rom bicubic, antialiased when shrinking,
//   taps past the edges repeat the edge pixel.
//
// Large pictures are processed on two threads (row bands).

#include "imaging/ImageKernels.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tavrel
{

class CImageBuffer
{
public:
    CImageBuffer();
    ~CImageBuffer();
    CImageBuffer(const CImageBuffer&) = delete;
    CImageBuffer& operator=(const CImageBuffer&) = delete;

    // Copies height rows of rowBytes bytes (24-bit blue, green, red); not
    // flipped unless asked. Fails (leaving the buffer empty) for another
    // depth, an empty size or rows shorter than 3 × width.
    bool CreateFromArray(const std::uint8_t* bits, int width, int height, int bitsPerPixel,
                         int rowBytes, bool flipVertical = false);
    // Colour space 2 (YUV) is the only one; others are refused.
    bool Saturate(int amount, int colourSpace = 2);
    bool Light(int brightness, int contrast);
    bool ShiftRGB(int r, int g, int b);
    // Saturate, Light and ShiftRGB in one pass; identical to calling them in turn.
    bool Adjust(int saturation, int brightness, int contrast, int r, int g, int b);
    // Method 1 (bicubic) and anything else give the same smooth filter.
    bool Resample(int newWidth, int newHeight, int method = 1);
    // Load: any picture file the codecs read (format 0 refused); grey and
    // 1-bit pictures become 24-bit. Save: 1 BMP, 3 JPEG at quality 95,
    // 6 uncompressed TIFF; other numbers are refused.
    bool Load(const std::string& path, int formatNumber);
    bool Save(const std::string& path, int formatNumber);

    bool IsValid() const;
    int GetWidth() const;
    int GetHeight() const;
    int GetRowBytes() const;
    std::uint8_t* GetBits(int row = 0);
    void Destroy();
    void DestroyFrames() {}

private:
    bool Apply(const tavrel::imaging::ColourPlan& plan);

    tavrel::imaging::PixelStore m_bits;
    int m_width = 0;
    int m_height = 0;
    int m_rowBytes = 0;
};

} // namespace tavrel
