#include "imaging/codecs/PaletteImage.h"

#include "imaging/cwimage/dib/Dib.h"

namespace tavrel
{

bool IsGreyPalette(const std::vector<PaletteEntry>& palette)
{
    for (const PaletteEntry& e : palette)
        if (e.red != e.green || e.green != e.blue)
            return false;
    return true;
}

bool ApplyPalette(CDib& picture, const std::vector<PaletteEntry>& palette)
{
    const int w = picture.Width(), h = picture.Height();
    PaletteEntry table[256];
    for (std::size_t i = 0; i < palette.size() && i < 256; ++i)
        table[i] = palette[i];
    if (IsGreyPalette(palette))
    {
        for (int y = 0; y < h; ++y)
        {
            std::uint8_t* row = picture.Row(y);
            for (int x = 0; x < w; ++x)
                row[x] = table[row[x]].red;
        }
        return true;
    }
    CDib colour;
    if (!colour.Create(w, h, 24, picture.XResolution()))
        return false;
    colour.SetResolution(picture.XResolution(), picture.YResolution());
    for (int y = 0; y < h; ++y)
    {
        const std::uint8_t* src = picture.Row(y);
        std::uint8_t* dst = colour.Row(y);
        for (int x = 0; x < w; ++x)
        {
            const PaletteEntry& e = table[src[x]];
            dst[3 * x] = e.blue;
            dst[3 * x + 1] = e.green;
            dst[3 * x + 2] = e.red;
        }
    }
    picture.Swap(colour);
    return true;
}

} // namespace tavrel
