// Kept apart from the converter so that tools and benchmarks of the bare
// conversion need no picture class.
#include "capture/Yuy2Converter.h"

#include "imaging/cwimage/dib/Dib.h"

#include <cstring>
#include <vector>

namespace tavrel
{

int ConvertYuy2ToDib(const std::uint8_t* source, std::size_t sourceBytes, int width, int height,
                     CDib& image)
{
    if (!source || width <= 0 || height <= 0)
        return 0;
    const std::size_t w = static_cast<std::size_t>(width), h = static_cast<std::size_t>(height);
    if (sourceBytes < w * h * 2)
        return 0;
    if (!image.Create(width, height, 24, 300) || !image.HasPixels())
        return 0;
    if (width % 2 == 0)
    {
        // Pairs never cross a row: convert straight into the padded rows.
        for (int row = 0; row < height; ++row)
            ConvertYuy2(source + std::size_t(row) * w * 2, w, image.Row(row));
        return 1;
    }
    std::vector<std::uint8_t> packed(w * h * 3);
    ConvertYuy2(source, w * h, packed.data());
    for (int row = 0; row < height; ++row)
        std::memcpy(image.Row(row), packed.data() + std::size_t(row) * w * 3, w * 3);
    return 1;
}

} // namespace tavrel
