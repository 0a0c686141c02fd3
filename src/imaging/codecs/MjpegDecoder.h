#pragma once
// Motion-JPEG frames of a USB camera to 24-bit blue, green, red rows.
// Cameras often leave out the Huffman tables; libjpeg-turbo supplies the
// standard ones then.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tavrel
{

struct DecodedFrame
{
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> bgr; // rows top-down, 3 x width bytes apart
};

// False (with `error` set and `frame` emptied) for corrupt or truncated data,
// and for a frame whose header gives another size than the one expected
// (checked before anything is allocated; 0 expects nothing).
bool DecodeMjpeg(const std::uint8_t* data, std::size_t size, DecodedFrame& frame,
                 std::string* error = nullptr, int expectedWidth = 0, int expectedHeight = 0);

} // namespace tavrel
