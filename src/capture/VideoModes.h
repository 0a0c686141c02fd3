#pragma once
// Choosing among the modes a camera offers: the capture format nearest to
// the wanted size and frame rate, and the exact still size.

#include "capture/VideoSource.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace tavrel
{

enum class PixelFormat
{
    Yuyv,
    Mjpeg
};

struct VideoMode
{
    PixelFormat pixelFormat = PixelFormat::Yuyv;
    int width = 0;
    int height = 0;
    std::vector<int> frameRates; // whole frames per second, as offered
};

struct ModeChoice
{
    PixelFormat pixelFormat = PixelFormat::Yuyv;
    VideoFormat format;
};

// The size nearest to the wanted one (exact first; else the smallest sum of
// width and height differences, ties to the larger size); at that size the
// pixel format and rate nearest to the wanted rate (a rate at or above it
// before one below it); ties go to YUYV, which needs no decoding. A wanted
// rate of 0 or less means 30. nullopt when nothing usable is offered.
std::optional<ModeChoice> ChooseCaptureMode(const std::vector<VideoMode>& offered,
                                            const VideoFormat& wanted);

// A mode of exactly that size (YUYV preferred); nullopt when none.
std::optional<ModeChoice> ChooseStillMode(const std::vector<VideoMode>& offered, int width,
                                          int height);

} // namespace tavrel
