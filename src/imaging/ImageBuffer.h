#pragma once
// The imaging operations that the processing chain calls: a 24-bit picture
// with colour adjustments, smooth resampling, and file input and output by
// format number. Rows keep the order and padding they came in with.
// (Formulas: see the comments on each operation.)

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CImageBuffer
{
public:
    CImageBuffer();
    ~CImageBuffer();
    CImageBuffer(const CImageBuffer&) = delete;
    CImageBuffer& operator=(const CImageBuffer&) = delete;

    // Copies height rows of rowBytes bytes (24-bit blue, green, red); not flipped.
    bool CreateFromArray(const std::uint8_t* bits, int width, int height, int bitsPerPixel,
                         int rowBytes, bool flipVertical = false);
    bool Saturate(int amount, int colourSpace = 2);
    bool Light(int brightness, int contrast);
    bool ShiftRGB(int r, int g, int b);
    // Saturate, Light and ShiftRGB in one pass; identical to calling them in turn.
    bool Adjust(int saturation, int brightness, int contrast, int r, int g, int b);
    bool Resample(int newWidth, int newHeight, int method = 1);
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
    std::vector<std::uint8_t> m_bits;
    int m_width = 0;
    int m_height = 0;
    int m_rowBytes = 0;
};
