#pragma once
// Camera buffers in the two formats we stream, turned into what the graph
// hands on: 24-bit rows for preview frames, packed 4:2:2 for stills.

#include "capture/VideoModes.h"
#include "imaging/codecs/MjpegDecoder.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tavrel
{

// False for a buffer too short for the size, or a frame that does not decode.
bool FrameToBgr(PixelFormat format, int width, int height, const std::uint8_t* data,
                std::size_t bytes, tavrel::DecodedFrame& frame);
bool FrameToYuy2(PixelFormat format, int width, int height, const std::uint8_t* data,
                 std::size_t bytes, std::vector<std::uint8_t>& yuy2);

// Full-range BT.601 packing of 24-bit rows (an MJPEG still); each pixel pair
// shares the mean of its two chroma values. Width must be even.
void BgrToYuy2(const std::uint8_t* bgr, int width, int height, std::uint8_t* yuy2);

} // namespace tavrel
