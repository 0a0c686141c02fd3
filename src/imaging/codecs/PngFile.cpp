#include "imaging/codecs/PngFile.h"

#include "imaging/codecs/PaletteImage.h"
#include "imaging/codecs/PictureLimits.h"
#include "imaging/cwimage/dib/Dib.h"
#include "platform/RegularFile.h"

#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <memory>
#include <new>
#include <vector>

#include <png.h>

namespace tavrel
{

namespace
{

constexpr double kMetresPerInch = 0.0254;

struct Header
{
    png_uint_32 width = 0, height = 0;
    int bitDepth = 0, colourType = 0;
    int xDpi = 0, yDpi = 0;
};

// What the decoder fills; it lives in the caller, so that a longjmp out of
// libpng leaves nothing behind in the decoding frame.
struct Target
{
    std::uint64_t fileBytes = 0;
    CDib picture;
    std::unique_ptr<png_bytep[]> rows;
    std::vector<PaletteEntry> palette;
};

int DepthFor(const Header& head)
{
    if (head.colourType == PNG_COLOR_TYPE_GRAY || head.colourType == PNG_COLOR_TYPE_GRAY_ALPHA)
        return head.bitDepth == 1 ? 1 : 8;
    return head.colourType == PNG_COLOR_TYPE_PALETTE ? 8 : 24;
}

// libpng reports errors by longjmp to the setjmp here; this frame holds no
// objects with destructors.
bool Decode(std::FILE* file, Header& head, Target& t)
{
    png_structp png = png_create_read_struct(
        PNG_LIBPNG_VER_STRING, nullptr, [](png_structp p, png_const_charp) { png_longjmp(p, 1); },
        [](png_structp, png_const_charp) {});
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png)))
    {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_init_io(png, file);
    png_read_info(png, info);
    png_get_IHDR(png, info, &head.width, &head.height, &head.bitDepth, &head.colourType, nullptr,
                 nullptr, nullptr);
    // Filtered rows as stored, before any transformation: what the
    // compressed data must expand to.
    const std::uint64_t storedBytes =
        (std::uint64_t(png_get_rowbytes(png, info)) + 1) * head.height;
    if (!tavrel::PictureSizeAllowed(head.width, head.height) ||
        !tavrel::FileCanHold(t.fileBytes, storedBytes, tavrel::kDeflateExpansion))
        png_error(png, "size");
    png_uint_32 xppm = 0, yppm = 0;
    int unit = 0;
    if (png_get_pHYs(png, info, &xppm, &yppm, &unit) && unit == PNG_RESOLUTION_METER)
    {
        head.xDpi = int(std::lround(xppm * kMetresPerInch));
        head.yDpi = int(std::lround(yppm * kMetresPerInch));
    }

    const int type = head.colourType;
    png_set_strip_16(png);
    png_set_strip_alpha(png);
    if (type == PNG_COLOR_TYPE_PALETTE)
    {
        png_colorp colours = nullptr;
        int count = 0;
        png_get_PLTE(png, info, &colours, &count);
        t.palette.resize(std::size_t(count)); // at most 256, checked by libpng
        for (int i = 0; i < count; ++i)
            t.palette[std::size_t(i)] = {colours[i].red, colours[i].green, colours[i].blue};
        if (head.bitDepth < 8)
            png_set_packing(png);
    }
    else if (type == PNG_COLOR_TYPE_GRAY || type == PNG_COLOR_TYPE_GRAY_ALPHA)
    {
        if (head.bitDepth > 1 && head.bitDepth < 8)
            png_set_expand_gray_1_2_4_to_8(png);
        else if (head.bitDepth == 1)
            png_set_invert_mono(png); // a set bit is black in memory
    }
    else
    {
        png_set_bgr(png);
    }
    png_set_interlace_handling(png);
    png_read_update_info(png, info);

    // The rows are decoded straight into the picture; every byte of each row
    // is written, so it need not be cleared first.
    const int w = int(head.width), h = int(head.height);
    if (!t.picture.CreateForOverwrite(w, h, DepthFor(head), head.xDpi) ||
        png_get_rowbytes(png, info) > std::size_t(t.picture.RowSize()))
        png_error(png, "memory");
    t.rows.reset(new (std::nothrow) png_bytep[std::size_t(h)]);
    if (!t.rows)
        png_error(png, "memory");
    for (int y = 0; y < h; ++y)
        t.rows[std::size_t(y)] = t.picture.Row(y);
    png_read_image(png, t.rows.get());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

} // namespace

bool ReadPng(const std::string& path, CDib& picture)
{
    tavrel::RegularFile input(path);
    Target target;
    target.fileBytes = input.Size();
    std::FILE* f = input.ReleaseAsStream();
    if (!f)
        return false;
    Header head;
    const bool decoded = Decode(f, head, target);
    std::fclose(f);
    if (!decoded)
        return false;
    CDib& out = target.picture;
    out.SetResolution(head.xDpi, head.yDpi);
    if (head.colourType == PNG_COLOR_TYPE_PALETTE && !ApplyPalette(out, target.palette))
        return false;
    picture.Swap(out);
    return true;
}

} // namespace tavrel
