#pragma once
// What a stored picture file holds, read back in full with the decoders a
// user's other programs use: a file cut short does not read.

#include "imaging/cwimage/dib/Dib.h"
#include "support/Files.h"

#include <tiffio.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace tavrel::test
{

struct StoredPicture
{
    bool read = false;
    std::string format; // "jpeg", "tiff"
    int width = 0;
    int height = 0;
    int bitsPerSample = 0;
    int maxChannelSpread = 0; // largest difference between a pixel's channels, in 8 bits
    int lowest = 0;           // darkest and brightest channel, in 8 bits
    int highest = 0;
};

namespace detail
{

inline void Sample(StoredPicture& s, int r, int g, int b)
{
    s.maxChannelSpread = std::max({s.maxChannelSpread, std::abs(r - g), std::abs(g - b)});
    s.lowest = std::min({s.lowest, r, g, b});
    s.highest = std::max({s.highest, r, g, b});
}

} // namespace detail

inline StoredPicture ReadStoredPicture(const std::string& path)
{
    StoredPicture s;
    s.lowest = 255;
    const std::string head = ReadFile(path).substr(0, 4);
    if (head.rfind("\xFF\xD8", 0) == 0)
    {
        CDib picture;
        if (picture.LoadFile(path) != 1 || picture.BitsPerPixel() != 24)
            return s;
        s.format = "jpeg";
        s.width = picture.Width();
        s.height = picture.Height();
        s.bitsPerSample = 8;
        for (int y = 0; y < s.height; ++y)
            for (const std::uint8_t* p = picture.Row(y); p < picture.Row(y) + 3 * s.width; p += 3)
                detail::Sample(s, p[2], p[1], p[0]);
        s.read = true;
        return s;
    }
    if (head != std::string("II*\0", 4) && head != std::string("MM\0*", 4))
        return s;
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    if (!tif)
        return s;
    std::uint32_t w = 0;
    std::uint32_t h = 0;
    std::uint16_t bits = 0;
    std::uint16_t channels = 0;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h);
    TIFFGetField(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetField(tif, TIFFTAG_SAMPLESPERPIXEL, &channels);
    s.format = "tiff";
    s.width = int(w);
    s.height = int(h);
    s.bitsPerSample = bits;
    bool whole = channels == 3 && (bits == 8 || bits == 16);
    std::vector<std::uint8_t> row(whole ? std::size_t(TIFFScanlineSize(tif)) : 0);
    for (std::uint32_t y = 0; whole && y < h; ++y)
    {
        whole = TIFFReadScanline(tif, row.data(), y) == 1;
        for (std::uint32_t x = 0; whole && x < w; ++x)
        {
            int c[3];
            for (std::uint32_t i = 0; i < 3; ++i)
            {
                std::uint16_t wide = 0;
                if (bits == 16)
                    std::memcpy(&wide, row.data() + 2 * (3 * x + i), 2);
                c[i] = bits == 8 ? row[3 * x + i] : wide >> 8;
            }
            detail::Sample(s, c[0], c[1], c[2]);
        }
    }
    TIFFClose(tif);
    s.read = whole;
    return s;
}

} // namespace tavrel::test
