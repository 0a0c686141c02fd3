#include "imaging/codecs/TiffFile.h"

#include "imaging/codecs/PictureLimits.h"
#include "imaging/cwimage/dib/Dib.h"
#include "platform/RegularFile.h"

#include <cmath>
#include <cstring>
#include <mutex>
#include <vector>

#include <tiffio.h>

namespace tavrel
{

namespace
{

constexpr double kCmPerInch = 2.54;

int ResolutionDpi(TIFF* tif, ttag_t tag)
{
    float value = 0;
    if (!TIFFGetField(tif, tag, &value) || !(value > 0) || value > 1e6f)
        return 0;
    uint16_t unit = RESUNIT_INCH;
    TIFFGetFieldDefaulted(tif, TIFFTAG_RESOLUTIONUNIT, &unit);
    if (unit == RESUNIT_CENTIMETER)
        value *= float(kCmPerInch);
    else if (unit == RESUNIT_NONE)
        return 0;
    return int(value);
}

// Decoded bytes one byte of the file can stand for with this coding.
std::uint64_t Expansion(TIFF* tif)
{
    uint16_t compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    switch (compression)
    {
    case COMPRESSION_NONE:
        return 1;
    case COMPRESSION_ADOBE_DEFLATE:
    case COMPRESSION_DEFLATE:
        return tavrel::kDeflateExpansion;
    case COMPRESSION_CCITTRLE:
    case COMPRESSION_CCITTRLEW:
    case COMPRESSION_CCITTFAX3:
    case COMPRESSION_CCITTFAX4:
        return tavrel::kFaxExpansion;
    default:
        return tavrel::kGenericExpansion;
    }
}

} // namespace

void QuietTiffMessages()
{
    static std::once_flag once;
    std::call_once(once,
                   []
                   {
                       TIFFSetErrorHandler(nullptr);
                       TIFFSetWarningHandler(nullptr);
                   });
}

bool ReadTiff(const std::string& path, CDib& picture)
{
    QuietTiffMessages();
    tavrel::RegularFile input(path);
    if (!input.IsOpen())
        return false;
    const std::uint64_t fileBytes = input.Size();
    TIFF* tif = TIFFFdOpen(input.Fd(), path.c_str(), "r");
    if (!tif)
        return false;
    input.Release(); // TIFFClose closes it
    uint32_t width = 0, height = 0;
    uint16_t bps = 1, spp = 1, photometric = PHOTOMETRIC_MINISBLACK;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bps);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &spp);
    TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
    char message[1024] = {};
    const std::uint64_t samples =
        (std::uint64_t(width) * spp * bps + 7) / 8 * std::uint64_t(height);
    if (!tavrel::PictureSizeAllowed(width, height) ||
        !tavrel::FileCanHold(fileBytes, samples, Expansion(tif)) || !TIFFRGBAImageOK(tif, message))
    {
        TIFFClose(tif);
        return false;
    }
    const bool greyLike = spp == 1 && (photometric == PHOTOMETRIC_MINISBLACK ||
                                       photometric == PHOTOMETRIC_MINISWHITE);
    const int depth = greyLike ? (bps == 1 ? 1 : 8) : 24;
    const int xDpi = ResolutionDpi(tif, TIFFTAG_XRESOLUTION);
    const int yDpi = ResolutionDpi(tif, TIFFTAG_YRESOLUTION);

    std::vector<uint32_t> rgba;
    CDib out;
    bool ok = true;
    try
    {
        rgba.resize(std::size_t(width) * height);
    }
    catch (const std::bad_alloc&)
    {
        ok = false;
    }
    // stop_on_error = 1: a damaged strip fails the read instead of leaving holes.
    ok = ok && TIFFReadRGBAImageOriented(tif, width, height, rgba.data(), ORIENTATION_TOPLEFT, 1);
    TIFFClose(tif);
    ok = ok && out.Create(int(width), int(height), depth, xDpi);
    if (!ok)
        return false;
    out.SetResolution(xDpi, yDpi);
    for (uint32_t y = 0; y < height; ++y)
    {
        const uint32_t* src = rgba.data() + std::size_t(y) * width;
        std::uint8_t* dst = out.Row(int(y));
        if (depth == 24)
        {
            for (uint32_t x = 0; x < width; ++x)
            {
                dst[3 * x] = std::uint8_t(TIFFGetB(src[x]));
                dst[3 * x + 1] = std::uint8_t(TIFFGetG(src[x]));
                dst[3 * x + 2] = std::uint8_t(TIFFGetR(src[x]));
            }
        }
        else if (depth == 8)
        {
            for (uint32_t x = 0; x < width; ++x)
                dst[x] = std::uint8_t(TIFFGetR(src[x]));
        }
        else
        {
            for (uint32_t x = 0; x < width; ++x)
                if (TIFFGetR(src[x]) < 128)
                    dst[x >> 3] |= std::uint8_t(0x80 >> (x & 7));
        }
    }
    picture.Swap(out);
    return true;
}

bool WriteTiff(const CDib& picture, const std::string& path, int compression)
{
    if (!picture.HasPixels() || picture.Width() == 0 || picture.Height() == 0)
        return false;
    const int bpp = picture.BitsPerPixel();
    if ((compression == COMPRESSION_CCITTFAX3 || compression == COMPRESSION_CCITTFAX4) && bpp != 1)
        return false;
    QuietTiffMessages();
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    if (!tif)
        return false;
    const uint32_t w = uint32_t(picture.Width()), h = uint32_t(picture.Height());
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, w);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, h);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, uint16_t(bpp == 1 ? 1 : 8));
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, uint16_t(bpp == 24 ? 3 : 1));
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    // In memory a set bit is black, which is what min-is-white stores.
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC,
                 bpp == 24 ? PHOTOMETRIC_RGB
                           : (bpp == 1 ? PHOTOMETRIC_MINISWHITE : PHOTOMETRIC_MINISBLACK));
    TIFFSetField(tif, TIFFTAG_COMPRESSION, uint16_t(compression));
    if (compression == COMPRESSION_CCITTFAX3)
        TIFFSetField(tif, TIFFTAG_GROUP3OPTIONS, uint32_t(GROUP3OPT_FILLBITS));
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0));
    TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, uint16_t(RESUNIT_INCH));
    TIFFSetField(tif, TIFFTAG_XRESOLUTION, float(picture.XResolution()));
    TIFFSetField(tif, TIFFTAG_YRESOLUTION, float(picture.YResolution()));

    std::vector<std::uint8_t> row(std::size_t(picture.RowSize()));
    bool ok = true;
    for (uint32_t y = 0; ok && y < h; ++y)
    {
        const std::uint8_t* src = picture.Row(int(y));
        if (bpp == 24)
        {
            for (uint32_t x = 0; x < w; ++x)
            {
                row[3 * x] = src[3 * x + 2];
                row[3 * x + 1] = src[3 * x + 1];
                row[3 * x + 2] = src[3 * x];
            }
        }
        else
        {
            std::memcpy(row.data(), src, row.size());
        }
        ok = TIFFWriteScanline(tif, row.data(), y, 0) == 1;
    }
    ok = ok && TIFFFlush(tif) == 1;
    TIFFClose(tif);
    return ok;
}

} // namespace tavrel
