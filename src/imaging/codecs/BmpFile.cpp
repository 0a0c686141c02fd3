#include "imaging/codecs/BmpFile.h"

#include "imaging/codecs/FileBytes.h"
#include "imaging/codecs/PaletteImage.h"
#include "imaging/codecs/PictureLimits.h"
#include "imaging/cwimage/dib/Dib.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

namespace tavrel
{

namespace
{

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;
constexpr double kMetresPerInch = 0.0254;

std::uint32_t U16(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8);
}

std::uint32_t U32(const std::uint8_t* p)
{
    return U16(p) | (U16(p + 2) << 16);
}

void Put16(std::uint8_t* p, std::uint32_t v)
{
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
}

void Put32(std::uint8_t* p, std::uint32_t v)
{
    Put16(p, v & 0xFFFF);
    Put16(p + 2, v >> 16);
}

int DpiFromPixelsPerMetre(std::int32_t ppm)
{
    return ppm > 0 ? int(std::lround(ppm * kMetresPerInch)) : 0;
}

std::uint32_t PixelsPerMetre(int dpi)
{
    return dpi > 0 ? std::uint32_t(std::lround(dpi / kMetresPerInch)) : 0;
}

} // namespace

bool ReadBmp(const std::string& path, CDib& picture)
{
    std::vector<std::uint8_t> file;
    if (!ReadFileBytes(path, file) || file.size() < kFileHeaderSize + 12)
        return false;
    const std::uint8_t* d = file.data();
    if (d[0] != 'B' || d[1] != 'M')
        return false;
    const std::uint32_t offBits = U32(d + 10);
    const std::uint32_t headerSize = U32(d + 14);
    const bool core = headerSize == 12;
    if (!core && (headerSize < kInfoHeaderSize || headerSize > 1024))
        return false;
    if (file.size() < kFileHeaderSize + headerSize)
        return false;
    const std::uint8_t* h = d + kFileHeaderSize;

    std::int64_t width, height;
    std::uint32_t bitCount, compression = 0, colours = 0;
    std::int32_t xppm = 0, yppm = 0;
    if (core)
    {
        width = U16(h + 4);
        height = std::int16_t(U16(h + 6));
        bitCount = U16(h + 10);
    }
    else
    {
        width = std::int32_t(U32(h + 4));
        height = std::int32_t(U32(h + 8));
        bitCount = U16(h + 14);
        compression = U32(h + 16);
        xppm = std::int32_t(U32(h + 24));
        yppm = std::int32_t(U32(h + 28));
        colours = U32(h + 32);
    }
    const bool topDown = height < 0;
    if (topDown)
        height = -height;
    if (!tavrel::PictureSizeAllowed(width, height))
        return false;
    // Only uncompressed rows; bit fields are accepted for the usual 32-bit layout.
    if (!(compression == 0 || (compression == 3 && bitCount == 32)))
        return false;
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24 && bitCount != 32)
        return false;

    std::vector<PaletteEntry> palette;
    if (bitCount <= 8)
    {
        const std::uint32_t maxColours = 1u << bitCount;
        const std::uint32_t count = colours == 0 || colours > maxColours ? maxColours : colours;
        const std::size_t entrySize = core ? 3 : 4;
        std::size_t at = kFileHeaderSize + headerSize;
        if (compression == 3)
            at += 12;
        if (at + count * entrySize > file.size())
            return false;
        palette.resize(count);
        for (std::uint32_t i = 0; i < count; ++i)
        {
            const std::uint8_t* e = d + at + i * entrySize;
            palette[i].blue = e[0];
            palette[i].green = e[1];
            palette[i].red = e[2];
        }
    }

    const std::size_t stride = ((std::size_t(width) * bitCount + 31) / 32) * 4;
    if (offBits > file.size() || (file.size() - offBits) / stride < std::size_t(height))
        return false;

    const int w = int(width), hgt = int(height);
    CDib out;
    const int depth = bitCount == 1 ? 1 : (bitCount <= 8 ? 8 : 24);
    if (!out.Create(w, hgt, depth, DpiFromPixelsPerMetre(xppm)))
        return false;
    out.SetResolution(DpiFromPixelsPerMetre(xppm), DpiFromPixelsPerMetre(yppm));

    // A set bit is black in memory; whichever palette entry is darker is black on disk.
    const bool invert1 = bitCount == 1 && palette.size() == 2 &&
                         (palette[0].red + palette[0].green + palette[0].blue) <
                             (palette[1].red + palette[1].green + palette[1].blue);
    for (int y = 0; y < hgt; ++y)
    {
        const std::uint8_t* src = d + offBits + stride * std::size_t(topDown ? y : hgt - 1 - y);
        std::uint8_t* dst = out.Row(y);
        switch (bitCount)
        {
        case 1:
        {
            const std::size_t n = std::size_t(w + 7) / 8;
            for (std::size_t i = 0; i < n; ++i)
                dst[i] = invert1 ? std::uint8_t(~src[i]) : src[i];
            if (w & 7)
                dst[n - 1] &= std::uint8_t(0xFF << (8 - (w & 7)));
            break;
        }
        case 4:
            for (int x = 0; x < w; ++x)
                dst[x] = (x & 1) ? (src[x / 2] & 0x0F) : (src[x / 2] >> 4);
            break;
        case 8:
            std::memcpy(dst, src, std::size_t(w));
            break;
        case 24:
            std::memcpy(dst, src, std::size_t(w) * 3);
            break;
        case 32:
            for (int x = 0; x < w; ++x)
            {
                dst[3 * x] = src[4 * x];
                dst[3 * x + 1] = src[4 * x + 1];
                dst[3 * x + 2] = src[4 * x + 2];
            }
            break;
        }
    }
    if (bitCount == 4 || bitCount == 8)
    {
        if (!ApplyPalette(out, palette))
            return false;
    }
    picture.Swap(out);
    return true;
}

bool WriteBmp(const CDib& picture, const std::string& path)
{
    if (!picture.HasPixels())
        return false;
    const int bpp = picture.BitsPerPixel();
    const std::uint32_t paletteCount = bpp == 1 ? 2 : (bpp == 8 ? 256 : 0);
    const std::size_t stride = std::size_t(picture.RowSize());
    const std::size_t dataSize = stride * std::size_t(picture.Height());
    const std::size_t offBits = kFileHeaderSize + kInfoHeaderSize + paletteCount * 4;
    if (offBits + dataSize > 0xFFFFFFFFu)
        return false;

    std::vector<std::uint8_t> head(offBits, 0);
    std::uint8_t* p = head.data();
    p[0] = 'B';
    p[1] = 'M';
    Put32(p + 2, std::uint32_t(offBits + dataSize));
    Put32(p + 10, std::uint32_t(offBits));
    std::uint8_t* info = p + kFileHeaderSize;
    Put32(info, kInfoHeaderSize);
    Put32(info + 4, std::uint32_t(picture.Width()));
    Put32(info + 8, std::uint32_t(picture.Height()));
    Put16(info + 12, 1);
    Put16(info + 14, std::uint32_t(bpp));
    Put32(info + 20, std::uint32_t(dataSize));
    Put32(info + 24, PixelsPerMetre(picture.XResolution()));
    Put32(info + 28, PixelsPerMetre(picture.YResolution()));
    Put32(info + 32, paletteCount);
    std::uint8_t* pal = info + kInfoHeaderSize;
    // 1 bit: entry 0 black, entry 1 white, so the rows go out inverted.
    for (std::uint32_t i = 0; i < paletteCount; ++i)
    {
        const std::uint8_t v = bpp == 1 ? std::uint8_t(i ? 255 : 0) : std::uint8_t(i);
        pal[4 * i] = pal[4 * i + 1] = pal[4 * i + 2] = v;
    }

    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(head.data(), 1, head.size(), f) == head.size();
    std::vector<std::uint8_t> row(stride);
    for (int y = picture.Height() - 1; ok && y >= 0; --y)
    {
        const std::uint8_t* src = picture.Row(y);
        if (bpp == 1)
            for (std::size_t i = 0; i < stride; ++i)
                row[i] = std::uint8_t(~src[i]);
        else
            std::memcpy(row.data(), src, stride);
        ok = std::fwrite(row.data(), 1, stride, f) == stride;
    }
    ok = std::fclose(f) == 0 && ok;
    return ok;
}

} // namespace tavrel
