#include "imaging/codecs/GifFile.h"

#include "imaging/codecs/PaletteImage.h"
#include "imaging/codecs/PictureLimits.h"
#include "imaging/cwimage/dib/Dib.h"
#include "platform/RegularFile.h"

#include <algorithm>
#include <vector>

#include <gif_lib.h>

namespace tavrel
{

namespace
{

// Reads past the data blocks that follow `block` (an extension's or a
// frame's, by `next`).
bool SkipBlocks(GifFileType* gif, GifByteType* block, int (*next)(GifFileType*, GifByteType**))
{
    while (block)
        if (next(gif, &block) != GIF_OK)
            return false;
    return true;
}

bool SkipExtension(GifFileType* gif)
{
    int code = 0;
    GifByteType* block = nullptr;
    return DGifGetExtension(gif, &code, &block) == GIF_OK &&
           SkipBlocks(gif, block, DGifGetExtensionNext);
}

// The frames after the first are read past, not decoded, so that a damaged
// or truncated file still fails as a whole.
bool SkipToEnd(GifFileType* gif)
{
    for (;;)
    {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &type) != GIF_OK)
            return false;
        int code = 0;
        GifByteType* block = nullptr;
        switch (type)
        {
        case IMAGE_DESC_RECORD_TYPE:
            if (DGifGetImageDesc(gif) != GIF_OK || DGifGetCode(gif, &code, &block) != GIF_OK ||
                !SkipBlocks(gif, block, DGifGetCodeNext))
                return false;
            break;
        case EXTENSION_RECORD_TYPE:
            if (!SkipExtension(gif))
                return false;
            break;
        case TERMINATE_RECORD_TYPE:
            return true;
        default:
            return false;
        }
    }
}

// Decodes the first frame into `indices` (8 bits, rows top-down) and its
// palette; the file stays open for the caller to close.
bool ReadFirstFrame(GifFileType* gif, std::uint64_t fileBytes, CDib& indices,
                    std::vector<PaletteEntry>& palette)
{
    for (;;)
    {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &type) != GIF_OK)
            return false;
        if (type == EXTENSION_RECORD_TYPE)
        {
            if (!SkipExtension(gif))
                return false;
            continue;
        }
        if (type != IMAGE_DESC_RECORD_TYPE || DGifGetImageDesc(gif) != GIF_OK)
            return false;
        break;
    }
    const GifImageDesc& desc = gif->Image;
    const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
    const int w = desc.Width, h = desc.Height;
    if (!map || !PictureSizeAllowed(w, h) ||
        !FileCanHold(fileBytes, std::uint64_t(w) * std::uint64_t(h), kGenericExpansion) ||
        !indices.CreateForOverwrite(w, h, 8, 0))
        return false;
    for (int i = 0; i < map->ColorCount; ++i)
        palette.push_back({map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue});

    // An interlaced frame holds every 8th row from 0, every 8th from 4,
    // every 4th from 2, then every 2nd from 1.
    static constexpr int kStart[] = {0, 4, 2, 1};
    static constexpr int kStep[] = {8, 8, 4, 2};
    const int passes = desc.Interlace ? 4 : 1;
    for (int pass = 0; pass < passes; ++pass)
    {
        const int step = desc.Interlace ? kStep[pass] : 1;
        for (int y = desc.Interlace ? kStart[pass] : 0; y < h; y += step)
            if (DGifGetLine(gif, indices.Row(y), w) != GIF_OK)
                return false;
    }
    for (int y = 0; y < h; ++y)
    {
        std::uint8_t* row = indices.Row(y);
        for (int x = 0; x < w; ++x)
            if (row[x] >= palette.size())
                row[x] = 0;
    }
    return SkipToEnd(gif);
}

} // namespace

bool ReadGif(const std::string& path, CDib& picture)
{
    RegularFile input(path);
    const std::uint64_t fileBytes = input.Size();
    const int fd = input.Release();
    if (fd < 0)
        return false;
    int error = 0;
    GifFileType* gif = DGifOpenFileHandle(fd, &error); // closes fd, also on failure
    if (!gif)
        return false;
    CDib out;
    std::vector<PaletteEntry> palette;
    const bool ok = ReadFirstFrame(gif, fileBytes, out, palette);
    DGifCloseFile(gif, &error);
    if (!ok || !ApplyPalette(out, palette))
        return false;
    picture.Swap(out);
    return true;
}

bool WriteGif(const CDib& picture, const std::string& path)
{
    if (!picture.HasPixels() || picture.Width() == 0 || picture.Height() == 0 ||
        picture.Width() > 65535 || picture.Height() > 65535)
        return false;
    const int w = picture.Width(), h = picture.Height(), bpp = picture.BitsPerPixel();
    std::vector<GifByteType> indices(std::size_t(w) * std::size_t(h));
    GifColorType colours[256] = {};
    int colourCount = 256;
    if (bpp == 8)
    {
        for (int i = 0; i < 256; ++i)
            colours[i] = {GifByteType(i), GifByteType(i), GifByteType(i)};
        for (int y = 0; y < h; ++y)
            std::copy_n(picture.Row(y), w, indices.data() + std::size_t(y) * w);
    }
    else if (bpp == 1)
    {
        colourCount = 2;
        colours[0] = {255, 255, 255};
        colours[1] = {0, 0, 0};
        for (int y = 0; y < h; ++y)
        {
            const std::uint8_t* bits = picture.Row(y);
            for (int x = 0; x < w; ++x)
                indices[std::size_t(y) * w + x] = (bits[x >> 3] >> (7 - (x & 7))) & 1;
        }
    }
    else
    {
        std::vector<GifByteType> r(indices.size()), g(indices.size()), b(indices.size());
        for (int y = 0; y < h; ++y)
        {
            const std::uint8_t* row = picture.Row(y);
            for (int x = 0; x < w; ++x)
            {
                const std::size_t i = std::size_t(y) * w + x;
                b[i] = row[3 * x];
                g[i] = row[3 * x + 1];
                r[i] = row[3 * x + 2];
            }
        }
        if (GifQuantizeBuffer(unsigned(w), unsigned(h), &colourCount, r.data(), g.data(), b.data(),
                              indices.data(), colours) != GIF_OK)
            return false;
    }
    // GIF colour maps have a power-of-two size.
    int mapSize = 2;
    while (mapSize < colourCount)
        mapSize *= 2;

    int error = 0;
    GifFileType* gif = EGifOpenFileName(path.c_str(), false, &error);
    if (!gif)
        return false;
    ColorMapObject* map = GifMakeMapObject(mapSize, colours);
    bool ok = map && EGifPutScreenDesc(gif, w, h, 8, 0, map) == GIF_OK &&
              EGifPutImageDesc(gif, 0, 0, w, h, false, nullptr) == GIF_OK;
    for (int y = 0; ok && y < h; ++y)
        ok = EGifPutLine(gif, indices.data() + std::size_t(y) * w, w) == GIF_OK;
    if (map)
        GifFreeMapObject(map);
    ok = EGifCloseFile(gif, &error) == GIF_OK && ok;
    return ok;
}

} // namespace tavrel
