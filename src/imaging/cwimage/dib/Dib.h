#pragma once
// The raster picture: 1, 8 or 24 bits per pixel (24 = blue, green, red), rows
// top-down, each padded to a multiple of 4 bytes, resolution in dpi.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace tavrel
{

class CImageCodec;

class CDib
{
public:
    CDib();
    CDib(const CDib& other);
    CDib& operator=(const CDib&) = delete;
    ~CDib();

    int Create(int width, int height, int bitsPerPixel, int dpi);
    // Create for a kernel that writes every pixel byte itself: only the row
    // padding is zeroed, and a buffer of the same size is reused. Scan-sized
    // pictures otherwise pay more for fresh zeroed pages than for the work.
    int CreateForOverwrite(int width, int height, int bitsPerPixel, int dpi);
    void Free();
    int CopyFrom(const CDib& other);
    // Returns 1 when the file was read (callers of the design ignore it).
    int LoadFile(const std::string& path);
    // Returns 1 when the file was written, 0 otherwise.
    int SaveFile(const std::string& path, std::uint32_t formatCode);

    // Operations: with a destination the result goes there, else in place.
    int Invert(CDib* destination, int left, int top, int right, int bottom);
    int ConvertToGrey(CDib* destination, int method = 0);
    int GreyToRgb(CDib* destination);
    int FlipVertical(CDib* destination);
    int Rotate(CDib* destination, int turn, int angle = 0); // turn 3 = half turn
    int Crop(CDib* destination, int left, int top, int right, int bottom);
    int ShrinkByFactor(CDib* destination, int factor); // destination required

    bool HasPixels() const { return m_rowTable != nullptr && m_pixels != nullptr; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    int BitsPerPixel() const { return m_bitsPerPixel; }
    int RowSize() const { return m_rowSize; }
    int XResolution() const { return m_xResolution; }
    int YResolution() const { return m_yResolution; }
    void SetResolution(int x, int y)
    {
        m_xResolution = x;
        m_yResolution = y;
    }
    std::uint8_t* Row(int y) { return m_rowTable[y]; }
    const std::uint8_t* Row(int y) const { return m_rowTable[y]; }
    std::uint8_t* Pixels() { return m_pixels; }
    const std::uint8_t* Pixels() const { return m_pixels; }
    std::size_t PixelBytes() const { return std::size_t(m_height) * std::size_t(m_rowSize); }
    // Path of the file last loaded. Longer paths are cut to their first 255
    // UTF-16 units (never in the middle of a surrogate pair).
    const char16_t* Name() const { return m_name; }
    void SetName(const std::string& path);
    CImageCodec& Codec() { return *m_codec; }

    static int RowSizeFor(int width, int bitsPerPixel);

    // Exchanges everything but the codec; lets a reader build a picture aside
    // and publish it only when the whole file was decoded.
    void Swap(CDib& other) noexcept;

private:
    int Allocate(int width, int height, int bitsPerPixel, int dpi, bool zeroAll);

    char16_t m_name[256] = {};
    std::uint8_t** m_rowTable = nullptr;
    std::uint8_t* m_pixels = nullptr;
    std::size_t m_pixelCapacity = 0; // bytes allocated at m_pixels
    int m_width = 0;
    int m_height = 0;
    int m_bitsPerPixel = 0;
    int m_rowSize = 0;
    int m_xResolution = 0;
    int m_yResolution = 0;
    std::unique_ptr<CImageCodec> m_codec;
};

} // namespace tavrel
