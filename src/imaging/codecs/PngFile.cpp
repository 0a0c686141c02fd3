#include "imaging/codecs/PngFile.h"

#include "imaging/codecs/PaletteImage.h"
#include "imaging/cwimage/dib/Dib.h"

#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <algorithm>
#include <vector>

#include <png.h>

namespace tavrel
{

namespace
{

constexpr double kMetresPerInch = 0.0254;
constexpr png_uint_32 kMaxSide = 1u << 16;

struct Rows
{
    std::vector<png_byte> data;
    std::vector<png_bytep> pointers;
    std::vector<PaletteEntry> palette;
};

struct Header
{
    png_uint_32 width = 0, height = 0;
    int bitDepth = 0, colourType = 0;
    int xDpi = 0, yDpi = 0;
};

// libpng reports errors by longjmp to the setjmp here; this frame holds no
// objects with destructors, the buffers live in the caller.
bool Decode(std::FILE* file, Header& head, Rows& rows)
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
    if (head.width == 0 || head.height == 0 || head.width > kMaxSide || head.height > kMaxSide)
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
        rows.palette.resize(std::size_t(count));
        for (int i = 0; i < count; ++i)
            rows.palette[std::size_t(i)] = {colours[i].red, colours[i].green, colours[i].blue};
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
    const std::size_t rowBytes = png_get_rowbytes(png, info);
    rows.data.resize(rowBytes * head.height);
    rows.pointers.resize(head.height);
    for (png_uint_32 y = 0; y < head.height; ++y)
        rows.pointers[y] = rows.data.data() + rowBytes * y;
    png_read_image(png, rows.pointers.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

} // namespace

bool ReadPng(const std::string& path, CDib& picture)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    Header head;
    Rows rows;
    const bool decoded = Decode(f, head, rows);
    std::fclose(f);
    if (!decoded)
        return false;

    const int w = int(head.width), h = int(head.height);
    const bool palette = head.colourType == PNG_COLOR_TYPE_PALETTE;
    const bool grey =
        head.colourType == PNG_COLOR_TYPE_GRAY || head.colourType == PNG_COLOR_TYPE_GRAY_ALPHA;
    const int depth = grey ? (head.bitDepth == 1 ? 1 : 8) : (palette ? 8 : 24);
    CDib out;
    if (!out.Create(w, h, depth, head.xDpi))
        return false;
    out.SetResolution(head.xDpi, head.yDpi);
    const std::size_t copy = std::size_t(depth == 1 ? (w + 7) / 8 : w * (depth / 8));
    for (int y = 0; y < h; ++y)
        std::copy_n(rows.pointers[std::size_t(y)], copy, out.Row(y));
    if (palette && !ApplyPalette(out, rows.palette))
        return false;
    picture.Swap(out);
    return true;
}

} // namespace tavrel
