#pragma once
// Motion-JPEG frames of a USB camera to 24-bit blue, green, red rows.
// Cameras often leave out the Huffman tables; the decoder supplies the
// standard ones then.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct DecodedFrame
{
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> bgr; // rows top-down, 3 x width bytes apart
};

// False (with `error` set) for corrupt or truncated data; never longjmps
// past the caller.
bool DecodeMjpeg(const std::uint8_t* data, std::size_t size, DecodedFrame& frame,
                 std::string* error = nullptr);
