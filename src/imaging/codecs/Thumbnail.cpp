#include "imaging/codecs/Thumbnail.h"

#include "imaging/codecs/FileBytes.h"
#include "imaging/codecs/JpegFile.h"
#include "imaging/cwimage/dib/Dib.h"

#include <algorithm>

namespace tavrel
{

int LoadThumbnail(const std::string& path, CDib& picture, int maxWidth, int maxHeight)
{
    if (maxWidth < 1 || maxHeight < 1)
        return 0;
    std::uint8_t magic[2] = {};
    std::size_t got = 0;
    if (ReadFileHead(path, magic, 2, got) && got == 2 && magic[0] == 0xFF && magic[1] == 0xD8)
    {
        int w = 0, h = 0;
        if (!ReadJpegSize(path, w, h))
            return 0;
        int denom = 1;
        while (denom < 8 && w / (denom * 2) >= maxWidth && h / (denom * 2) >= maxHeight)
            denom *= 2;
        return ReadJpeg(path, picture, denom) ? 1 : 0;
    }
    CDib full;
    if (!full.LoadFile(path))
        return 0;
    const int factor = std::min(full.Width() / maxWidth, full.Height() / maxHeight);
    if (factor >= 2 && full.BitsPerPixel() != 1)
        return full.ShrinkByFactor(&picture, factor);
    picture.Swap(full);
    return 1;
}

} // namespace tavrel
