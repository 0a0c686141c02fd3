#include "imaging/codecs/GifFile.h"

#include "imaging/codecs/PaletteImage.h"
#include "imaging/cwimage/dib/Dib.h"

#include <algorithm>
#include <vector>

#include <gif_lib.h>

namespace tavrel
{

bool ReadGif(const std::string& path, CDib& picture)
{
    int error = 0;
    GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
    if (!gif)
        return false;
    // A truncated file fails DGifSlurp, so no partial frame is kept.
    if (DGifSlurp(gif) != GIF_OK || gif->ImageCount < 1)
    {
        DGifCloseFile(gif, &error);
        return false;
    }
    const SavedImage& frame = gif->SavedImages[0];
    const ColorMapObject* map =
        frame.ImageDesc.ColorMap ? frame.ImageDesc.ColorMap : gif->SColorMap;
    const int w = frame.ImageDesc.Width, h = frame.ImageDesc.Height;
    CDib out;
    bool ok = map && w > 0 && h > 0 && frame.RasterBits && out.Create(w, h, 8, 0);
    std::vector<PaletteEntry> palette;
    if (ok)
    {
        for (int i = 0; i < map->ColorCount; ++i)
            palette.push_back({map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue});
        for (int y = 0; y < h; ++y)
        {
            // DGifSlurp stores interlaced frames in file order.
            int srcRow = y;
            if (frame.ImageDesc.Interlace)
            {
                const int pass1 = (h + 7) / 8, pass2 = (h + 3) / 8, pass3 = (h + 1) / 4;
                if (y % 8 == 0)
                    srcRow = y / 8;
                else if (y % 8 == 4)
                    srcRow = pass1 + y / 8;
                else if (y % 4 == 2)
                    srcRow = pass1 + pass2 + y / 4;
                else
                    srcRow = pass1 + pass2 + pass3 + y / 2;
            }
            const GifByteType* src = frame.RasterBits + std::size_t(srcRow) * std::size_t(w);
            std::uint8_t* dst = out.Row(y);
            for (int x = 0; x < w; ++x)
                dst[x] = src[x] < palette.size() ? src[x] : 0;
        }
    }
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
