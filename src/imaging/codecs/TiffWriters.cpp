#include "imaging/codecs/ImageCodec.h"
#include "imaging/codecs/TiffFile.h"
#include "platform/AtomicFile.h"
#include "platform/MessageBox.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <new>

#include <tiffio.h>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace tavrel
{

namespace
{

// The extension rule of the TIFF writers: keep .tif/.tiff, else the part
// after the last dot becomes "tiff". False when the file name has no dot.
bool FixTiffExtension(std::string& path)
{
    const std::size_t slash = path.rfind('/');
    const std::size_t dot = path.rfind('.');
    // A dot in a folder name is not an extension.
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return false;
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    if (ext != "tif" && ext != "tiff")
        path = path.substr(0, dot + 1) + "tiff";
    return true;
}

// One row of BGR pixels as RGB samples of 16 bits: value × 257, so both bytes
// of each little-endian sample are the value.
void WidenRowPortable(const std::uint8_t* src, std::uint8_t* dst, int width)
{
    for (int x = 0; x < width; ++x, src += 3, dst += 6)
    {
        dst[0] = dst[1] = src[2];
        dst[2] = dst[3] = src[1];
        dst[4] = dst[5] = src[0];
    }
}

#if defined(__x86_64__)
// Eight pixels (24 bytes) a step become 48 bytes through three shuffles of
// loads at 0, 6 and 8, none reaching past the step's own bytes.
__attribute__((target("ssse3"))) void WidenRowSsse3(const std::uint8_t* src, std::uint8_t* dst,
                                                    int width)
{
    const __m128i first = _mm_setr_epi8(2, 2, 1, 1, 0, 0, 5, 5, 4, 4, 3, 3, 8, 8, 7, 7);
    const __m128i second = _mm_setr_epi8(0, 0, 5, 5, 4, 4, 3, 3, 8, 8, 7, 7, 6, 6, 11, 11);
    const __m128i third = _mm_setr_epi8(8, 8, 7, 7, 12, 12, 11, 11, 10, 10, 15, 15, 14, 14, 13, 13);
    int x = 0;
    for (; x + 8 <= width; x += 8, src += 24, dst += 48)
    {
        const auto load = [src](int at)
        { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + at)); };
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), _mm_shuffle_epi8(load(0), first));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 16), _mm_shuffle_epi8(load(6), second));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 32), _mm_shuffle_epi8(load(8), third));
    }
    WidenRowPortable(src, dst, width - x);
}

const bool g_ssse3 = __builtin_cpu_supports("ssse3");
#endif

void WidenRow(const std::uint8_t* src, std::uint8_t* dst, int width)
{
#if defined(__x86_64__)
    if (g_ssse3)
    {
        WidenRowSsse3(src, dst, width);
        return;
    }
#endif
    WidenRowPortable(src, dst, width);
}

int WriteRgbTiff(AtomicFile& file, int width, int height, int bitsPerPixel,
                 const std::uint8_t* pixels, int bitsPerSample)
{
    if (bitsPerPixel != 24)
    {
        MessageBox(0, "只支持24位真彩图！");
        return 0;
    }
    if (!pixels)
    {
        MessageBox(0, "内存段为空！");
        return 0;
    }
    if (width <= 0 || height <= 0)
        return 0;

    QuietTiffMessages();
    TIFF* tif = file.IsOpen() ? TIFFOpen(file.TempPath().c_str(), "wl") : nullptr;
    if (!tif)
    {
        MessageBox(0, "不能创建TIF文件！");
        return 0;
    }
    const std::size_t bytesPerSample = std::size_t(bitsPerSample / 8);
    const std::size_t outRow = std::size_t(width) * 3 * bytesPerSample;
    const std::size_t size = outRow * std::size_t(height);
    std::uint8_t* buffer = new (std::nothrow) std::uint8_t[size];
    if (!buffer)
    {
        TIFFClose(tif);
        MessageBox(0, "内存分配不足!");
        return 0;
    }
    const std::size_t srcRow = std::size_t((width * 24 + 31) / 32) * 4;
    for (int y = 0; y < height; ++y)
    {
        const std::uint8_t* src = pixels + srcRow * std::size_t(y);
        std::uint8_t* dst = buffer + outRow * std::size_t(y);
        if (bytesPerSample == 2)
        {
            WidenRow(src, dst, width);
        }
        else
        {
            for (int x = 0; x < width; ++x, src += 3, dst += 3)
            {
                dst[0] = src[2];
                dst[1] = src[1];
                dst[2] = src[0];
            }
        }
    }
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(width));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(height));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, uint16_t(bitsPerSample));
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, uint16_t(3));
    TIFFSetField(tif, TIFFTAG_COMPRESSION, uint16_t(COMPRESSION_NONE));
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, uint16_t(PHOTOMETRIC_RGB));
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, uint16_t(PLANARCONFIG_CONTIG));
    // One strip holds the whole picture.
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, uint32_t(height));
    const tmsize_t written = TIFFWriteEncodedStrip(tif, 0, buffer, tmsize_t(size));
    const bool flushed = written > 0 && TIFFFlush(tif) == 1;
    TIFFClose(tif);
    delete[] buffer;
    return flushed ? 1 : 0;
}

int WriteRgbTiff(std::string& path, int width, int height, int bitsPerPixel,
                 const std::uint8_t* pixels, int bitsPerSample)
{
    std::string finalPath = path;
    if (!FixTiffExtension(finalPath))
        return 0;
    path = finalPath;
    AtomicFile file(finalPath);
    return WriteRgbTiff(file, width, height, bitsPerPixel, pixels, bitsPerSample) == 1 &&
                   file.Commit()
               ? 1
               : 0;
}

} // namespace

int WriteTiff48(std::string& path, int width, int height, int bitsPerPixel,
                const std::uint8_t* pixels)
{
    return WriteRgbTiff(path, width, height, bitsPerPixel, pixels, 16);
}

int WriteTiff24(std::string& path, int width, int height, int bitsPerPixel,
                const std::uint8_t* pixels)
{
    return WriteRgbTiff(path, width, height, bitsPerPixel, pixels, 8);
}

int WriteTiff48(AtomicFile& file, int width, int height, int bitsPerPixel,
                const std::uint8_t* pixels)
{
    return WriteRgbTiff(file, width, height, bitsPerPixel, pixels, 16);
}

int WriteTiff24(AtomicFile& file, int width, int height, int bitsPerPixel,
                const std::uint8_t* pixels)
{
    return WriteRgbTiff(file, width, height, bitsPerPixel, pixels, 8);
}

} // namespace tavrel
